#pragma once
#include <windows.h>

// The product key path ("Software\Quorvane\Lettrix"), held per process. Each deliverable loads
// it from its own string resources before it loads the log configuration.
constexpr size_t kProductKeyRoom = 260;

const wchar_t* ProductKey();
void SetProductKey(const wchar_t* path);
// Loads the key from a string resource; keeps the built-in default when the resource is missing.
void LoadProductKey(HINSTANCE module, UINT stringId);
