#pragma once
#include <windows.h>

// The module's lock count: every live object and every LockServer(TRUE) holds one. A local
// server ends when it falls to zero; an in-process server may then be unloaded.
namespace ModuleLock {

using ZeroHandler = void (*)(void* context);

LONG Lock() noexcept;
LONG Unlock() noexcept;
LONG Count() noexcept;
// Called (on the thread of the last unlock) each time the count falls to zero; null for none.
void SetZeroHandler(ZeroHandler handler, void* context) noexcept;

} // namespace ModuleLock
