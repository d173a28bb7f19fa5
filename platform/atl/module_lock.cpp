#include "module_lock.h"

namespace {

LONG g_count = 0;
ModuleLock::ZeroHandler g_handler = nullptr;
void* g_context = nullptr;

} // namespace

namespace ModuleLock {

LONG Lock() noexcept {
    return InterlockedIncrement(&g_count);
}

LONG Unlock() noexcept {
    LONG count = InterlockedDecrement(&g_count);
    if (count == 0) {
        ZeroHandler handler = g_handler;
        if (handler)
            handler(g_context);
    }
    return count;
}

LONG Count() noexcept {
    return InterlockedCompareExchange(&g_count, 0, 0);
}

void SetZeroHandler(ZeroHandler handler, void* context) noexcept {
    g_context = context;
    g_handler = handler;
}

} // namespace ModuleLock
