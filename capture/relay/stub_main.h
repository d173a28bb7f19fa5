#pragma once
#include <windows.h>

// The relay's main routine: serves one job's pipe and forwards its messages to the core.
// Returns the exit code (relay_exit.h).
int StubMain(HINSTANCE instance, const wchar_t* commandLine) noexcept;
