#pragma once
#include <windows.h>

// Readers and the DWORD writer for values of the product key. 64-bit modules use the 32-bit
// registry view, so every deliverable sees the same values.

// Flag to add to every access mask on the product key.
constexpr REGSAM kProductKeyView =
#ifdef _WIN64
    KEY_WOW64_32KEY;
#else
    0;
#endif

// A REG_SZ value under HKEY_LOCAL_MACHINE\<product key>. The destination (room characters,
// terminator included) receives the default (or "") when the key or value can't be read, the
// value is of another type, or it does not fit. Never reads or writes past either buffer.
void ReadRegString(DWORD room, const wchar_t* defaultValue, wchar_t* destination,
                   const wchar_t* valueName);
// Same, from an already open key; returns false when the default was used.
bool ReadRegStringFromKey(HKEY key, DWORD room, const wchar_t* defaultValue, wchar_t* destination,
                          const wchar_t* valueName);

// A REG_DWORD value of the product key under root; the default when it can't be read.
void ReadRegDword(HKEY root, DWORD* destination, DWORD defaultValue, const wchar_t* valueName);

// Creates or opens the product key under root and sets a REG_DWORD; true when it was set.
bool WriteRegDword(HKEY root, const wchar_t* valueName, DWORD value);
