#include "file_util.h"
#include "wstring.h"

#include <wchar.h>

HANDLE OpenFileForRead(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool ReadFromFile(HANDLE file, void* buffer, DWORD size) {
    DWORD done = 0;
    return ReadFile(file, buffer, size, &done, nullptr) && done == size;
}

bool WriteToFile(HANDLE file, const void* buffer, DWORD size) {
    DWORD done = 0;
    return WriteFile(file, buffer, size, &done, nullptr) && done == size;
}

void CloseFileHandle(HANDLE& file) {
    if (file && file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
}

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// True for "\\server\share" (and "\\server"): the root of a network path, which can't be created
// and which a directory search does not find.
bool IsNetworkRoot(const wchar_t* path, unsigned length) {
    if (length < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return false;
    unsigned separators = 0;
    for (unsigned i = 2; i < length; ++i)
        if (IsSeparator(path[i]))
            ++separators;
    return separators <= 1;
}

bool DirectoryExists(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureDirectory(WStringBase& directory) {
    if (directory.Length() <= 3 || IsNetworkRoot(directory.c_str(), directory.Length()))
        return true;
    if (DirectoryExists(directory.c_str()))
        return true;
    if (!CreateDirectoryPath(directory.c_str()))
        return false;
    return CreateDirectoryW(directory.c_str(), nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && DirectoryExists(directory.c_str()));
}

} // namespace

bool CreateDirectoryPath(const wchar_t* path) {
    if (!path)
        return false;
    WStringBase directory(path);
    if (*path && directory.Empty())
        return false; // out of memory
    unsigned cut = directory.Length();
    while (cut > 0 && !IsSeparator(directory.c_str()[cut - 1]))
        --cut;
    if (cut == 0)
        return true; // a bare name: nothing above it to make
    directory.Truncate(cut - 1);
    return EnsureDirectory(directory);
}
