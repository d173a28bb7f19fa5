#pragma once
#include <string>

// Byte-array values keep their bytes in files of the data folder; the registry holds the path.

// True when path names a file directly inside folder (which ends in a backslash). Only such
// files are ever rewritten or deleted by the store.
bool IsInDataFolder(const std::wstring& folder, const std::wstring& path);
// Creates a new empty file with a unique "prn" name in folder.
bool CreateDataFile(const std::wstring& folder, std::wstring* path);
