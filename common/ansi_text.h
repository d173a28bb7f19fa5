#pragma once
#include <windows.h>

#include <string>

// Text in the system's ANSI code page, sized from the conversion itself: a character that
// needs several bytes gets them, and one that the code page lacks becomes its default
// character. Throws std::bad_alloc.
std::string ToAnsiText(const wchar_t* text, size_t length);
inline std::string ToAnsiText(const std::wstring& text) {
    return ToAnsiText(text.data(), text.size());
}
// Appends the converted text to out.
void AppendAnsiText(const wchar_t* text, size_t length, std::string& out);
