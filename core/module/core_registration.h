#pragma once
#include <windows.h>

// Registration of the core server from its program file (full path): the type library
// embedded in the program, the AppID, the class with its ProgIDs and LocalServer32 (both
// registry views, for 32-bit and 64-bit clients), the proxy/stub libraries beside the program
// (the 32-bit one here, the 64-bit one by the system's 64-bit regsvr32 when the machine has a
// 64-bit side) and the two plug-in categories. Stops at the first failure and returns it.
HRESULT RegisterCoreServer(const wchar_t* programPath) noexcept;

// Removes what RegisterCoreServer adds; what is already gone is no error. Goes on after a
// failure and returns the first one.
HRESULT UnregisterCoreServer(const wchar_t* programPath) noexcept;
