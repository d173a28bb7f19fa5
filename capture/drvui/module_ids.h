#pragma once
#include <windows.h>

// The Unidrv user-interface plug-in class the module serves.
// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}
constexpr CLSID CLSID_OEMUI = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

// String resources (the prefix's id is the capture's common one).
constexpr UINT kProductKeyStringId = 3;

// The About page's dialog template.
constexpr UINT kAboutPageDialogId = 107;

// The source letter of the module's log lines.
constexpr wchar_t kLogSource = L'Y';
