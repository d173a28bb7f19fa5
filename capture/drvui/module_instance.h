#pragma once
#include <windows.h>

// The module's instance handle, kept at process attach.
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);
