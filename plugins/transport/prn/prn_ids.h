#pragma once
#include <windows.h>

// The printer transport's class and the ids of its settings page's controls.

// {8A748D5A-A1BF-4D22-8E29-320DA6B59906}
constexpr CLSID kPrnTransportClsid = {
    0x8A748D5A, 0xA1BF, 0x4D22, {0x8E, 0x29, 0x32, 0x0D, 0xA6, 0xB5, 0x99, 0x06}};

enum PrnControlId {
    kPrinterListId = 201,
    kFontListId = 202,
    kWeightListId = 203,
    kStrikeoutBoxId = 205,
    kUnderlineBoxId = 206,
    kItalicBoxId = 207,
    kCharsetListId = 208,
    kHeightListId = 209,
    kSettingsButtonId = 210,
    kUseDefaultButtonId = 211,
};
