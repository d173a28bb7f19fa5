#pragma once
#include <windows.h>

// The file transport's class ({66E7F9F4-10B9-4611-805C-49D2A162D90F}, ProgID
// "Quorvane.QLX_TPlugin_File") and the name it goes by.
constexpr CLSID kFileTransportClsid = {
    0x66E7F9F4, 0x10B9, 0x4611, {0x80, 0x5C, 0x49, 0xD2, 0xA1, 0x62, 0xD9, 0x0F}};
constexpr wchar_t kFileTransportName[] = L"File";
