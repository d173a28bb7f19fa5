#pragma once
#include <windows.h>

// The text-with-layout format plug-in (qlx_plugin_2d): class id, names and page controls.

// {EBD7FFD6-E000-4ED8-B250-B1CB0546E787}
constexpr CLSID kTwlClsid = {
    0xEBD7FFD6, 0xE000, 0x4ED8, {0xB2, 0x50, 0xB1, 0xCB, 0x05, 0x46, 0xE7, 0x87}};

constexpr wchar_t kTwlName[] = L"TWL";
constexpr wchar_t kTwlDescription[] = L"Text with Layout";
constexpr wchar_t kTwlExtension[] = L"txt";
constexpr wchar_t kTwlLayout[] = L"Lmargins,Lusespaces";
constexpr wchar_t kTwlStem[] = L"QLX_RPlugin_TWL";
constexpr wchar_t kTwlVersionedProgIdDescription[] = L"RPlugin_TWL Class";

constexpr int kTwlPageId = 103;
constexpr int kTwlBitmapId = 101;
constexpr int kMarginsBoxId = 104;
constexpr int kUseSpacesBoxId = 105;
