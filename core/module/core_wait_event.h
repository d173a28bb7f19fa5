#pragma once
#include <windows.h>

#include "handle.h"

// Creates (or opens) the manual-reset event by which the administration program, in whatever
// account it runs, asks the core to end: null DACL, so every account may set it. An event that
// already existed may still be signalled from an earlier core's shutdown; it is reset, so the
// request that ended that core does not end this one. Invalid handle on failure.
UniqueHandle CreateCoreWaitEvent(const wchar_t* name);
