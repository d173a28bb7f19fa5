#pragma once
#include <string>

// The folder part of a path: up to its last backslash, without it unless what is left would be
// three characters or fewer (a drive root keeps its backslash: "c:\x.exe" gives "c:\"). Empty
// when the path has no backslash.
std::wstring ParentFolder(const std::wstring& path);
