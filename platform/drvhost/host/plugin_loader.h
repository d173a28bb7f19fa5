#pragma once
#include <windows.h>

#include <string>

// A driver plug-in module as Unidrv loads it: the module (its own imports looked for beside
// it first, as the driver folder is for Unidrv), and a new object of the plug-in class with
// the interface asked for. False with a message in *error; what was had by then is handed
// out all the same, for the caller to free.
bool LoadPluginObject(const std::wstring& path, REFCLSID clsid, REFIID iid, const wchar_t* what,
                      HMODULE* module, void** object, std::wstring* error);

// An HRESULT as the host's messages show it.
std::wstring Hex(HRESULT hr);
