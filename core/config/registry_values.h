#pragma once
#include <windows.h>

#include <string>

// Reading and writing single values of an open section key.

// A REG_DWORD of exactly four bytes.
bool ReadDwordValue(HKEY key, const wchar_t* name, DWORD* value);
// A REG_SZ of any length, without its terminator.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring* value);

LONG WriteDwordValue(HKEY key, const wchar_t* name, DWORD value);
LONG WriteStringValue(HKEY key, const wchar_t* name, const wchar_t* text, size_t length);
