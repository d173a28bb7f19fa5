#pragma once
#include <stdint.h>

#include <memory>

// One captured text run. The strings are private copies; each is null when the caller passed
// null, which differs from an empty text.
struct TextItem {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;
    std::unique_ptr<wchar_t[]> text;
    std::unique_ptr<wchar_t[]> font;

    // Null when out of memory.
    static std::unique_ptr<TextItem> Create(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                            const wchar_t* text, const wchar_t* font) noexcept;
};
