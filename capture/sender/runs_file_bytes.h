#pragma once
#include <windows.h>

#include <string>

// The bytes of a runs file (at most 256 MB); false when it cannot be read whole.
bool ReadRunsFileBytes(const wchar_t* path, std::string* bytes);
