#pragma once
#include <wchar.h>

#include <string>
#include <string_view>

// The neutral code's char16_t text and the system's WCHAR text are the same code units; these
// copy between them at the edge. They may throw std::bad_alloc.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "WCHAR is a UTF-16 code unit");

inline std::u16string ToU16(const wchar_t* text, size_t length) {
    return std::u16string(text, text + length);
}
inline std::u16string ToU16(const wchar_t* text) {
    return text ? ToU16(text, wcslen(text)) : std::u16string();
}
inline std::wstring ToWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
