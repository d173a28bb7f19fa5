#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Stored driver settings made usable for a printer: a copy that a driver may read as a DEVMODE
// (its public part never read past the copy's end) when they are a DEVMODE made for that
// printer; empty, meaning the driver's defaults, when they are empty, malformed or another
// printer's.
std::vector<unsigned char> SettingsForDevice(const std::vector<unsigned char>& stored,
                                             const std::wstring& device);

// The DEVMODE of usable settings; null for none.
inline DEVMODEW* AsDevMode(std::vector<unsigned char>& usable) {
    return usable.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(usable.data());
}
