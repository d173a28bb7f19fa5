#pragma once
#include <string>
#include <vector>

// "Default" names the system's default printer, or the printer's own font.
constexpr wchar_t kDefaultChoice[] = L"Default";

// The printer transport's parameters with their defaults.
struct PrnParams {
    std::wstring printer = kDefaultChoice;
    std::wstring font = kDefaultChoice;
    long charset = 1; // DEFAULT_CHARSET
    long weight = 400;
    long height = 10; // points
    long italic = 0;
    long strikeout = 0;
    long underline = 0;
    // The driver's document settings, a whole DEVMODE of the printer they were made for; empty
    // for the driver's defaults.
    std::vector<unsigned char> settings;
};
