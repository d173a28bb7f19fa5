#pragma once
#include <windows.h>

// Opens an existing file for reading, shared for reading; INVALID_HANDLE_VALUE on failure.
HANDLE OpenFileForRead(const wchar_t* path);
// One read or write of exactly size bytes; false when the call fails or moves fewer bytes.
bool ReadFromFile(HANDLE file, void* buffer, DWORD size);
bool WriteToFile(HANDLE file, const void* buffer, DWORD size);
// Closes the handle unless it is null or invalid, then sets it to INVALID_HANDLE_VALUE.
void CloseFileHandle(HANDLE& file);

// Makes sure every directory above the last element of path exists, for drive paths
// (c:\a\b\file) and network paths (\\server\share\a\b\file) alike.
bool CreateDirectoryPath(const wchar_t* path);
