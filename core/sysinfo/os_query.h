#pragma once
#include "os_name.h"

// The version facts of the running system. The version comes from ntdll's RtlGetVersion:
// GetVersionEx reports 6.2 to every program without a compatibility manifest since 8.1.
// nt_family is left as given.
OsFacts QueryOsFacts(bool nt_family);

// True when this is a 32-bit process on 64-bit Windows; false where the check is missing.
bool RunsUnderWow64();
