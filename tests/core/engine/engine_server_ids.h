#pragma once
#include <windows.h>

// Classes of the engine test server (a local server that serves the real engine).
// {8D2F4A60-1B3C-4E5D-9A7B-2C3D4E5F6A71}
const CLSID kEngineServerClsid = {
    0x8d2f4a60, 0x1b3c, 0x4e5d, {0x9a, 0x7b, 0x2c, 0x3d, 0x4e, 0x5f, 0x6a, 0x71}};
// {8D2F4A61-1B3C-4E5D-9A7B-2C3D4E5F6A71}: the test hook (an IQLX_BSTR_Collection: Add runs a
// command, the items are its output).
const CLSID kEngineHookClsid = {
    0x8d2f4a61, 0x1b3c, 0x4e5d, {0x9a, 0x7b, 0x2c, 0x3d, 0x4e, 0x5f, 0x6a, 0x71}};

// Where the test tells the server which product key to use (under HKEY_CURRENT_USER).
constexpr wchar_t kEngineServerSettingsKey[] = L"Software\\QuorvaneTest";
constexpr wchar_t kEngineServerProductKeyValue[] = L"EngineServerProductKey";
