#pragma once
#include <windows.h>

// The Unidrv rendering plug-in class the module serves.
// {6D6ABF26-9F38-11D1-882A-00C04FB961EC}
constexpr CLSID CLSID_OEMRENDER = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

// String resources.
constexpr UINT kProductKeyStringId = 1;
constexpr UINT kPrefixStringId = 2;

// The source letter of the module's log lines.
constexpr wchar_t kLogSource = L'D';

constexpr DWORD kDefaultSplitThreshold = 25;
