#include "driver_folder.h"

#include <windows.h>

#include "registry.h"

namespace {

// DriverPath with its terminator, as every deliverable reads it.
constexpr DWORD kDriverPathRoom = 261;
constexpr wchar_t kDefaultDriverPath[] = L"c:\\";

} // namespace

std::wstring ReadDriverFolder() {
    wchar_t path[kDriverPathRoom];
    ReadRegString(kDriverPathRoom, kDefaultDriverPath, path, L"DriverPath");
    // An empty value would name the root of the current drive.
    std::wstring folder = path[0] ? path : kDefaultDriverPath;
    if (folder.back() != L'\\')
        folder += L'\\';
    return folder;
}
