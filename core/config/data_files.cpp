#include "data_files.h"

#include <windows.h>

bool IsInDataFolder(const std::wstring& folder, const std::wstring& path) {
    if (folder.empty() || path.size() <= folder.size())
        return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL)
        return false;
    const std::wstring leaf = path.substr(folder.size());
    return leaf.find_first_of(L"\\/:") == std::wstring::npos && leaf != L"." && leaf != L"..";
}

bool CreateDataFile(const std::wstring& folder, std::wstring* path) {
    wchar_t name[MAX_PATH];
    if (folder.empty() || GetTempFileNameW(folder.c_str(), L"prn", 0, name) == 0)
        return false;
    path->assign(name);
    return true;
}
