#pragma once
#include <string>

// The Windows edge of the platform-neutral request code: WCHAR text and char16_t text are both
// UTF-16, so each converts unit by unit.
inline std::u16string ToText16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}
inline std::wstring FromText16(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}
