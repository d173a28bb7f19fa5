#pragma once
#include <string>
#include <string_view>

// The Windows side's edge of the neutral rules: WCHAR text is UTF-16 there, as char16_t is.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "only for the Windows side");

inline std::u16string ToU16(std::wstring_view text) {
    return std::u16string(text.begin(), text.end());
}

inline std::wstring FromU16(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}
