#include "failing_alloc.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<int> g_left{0};

bool ShouldFail() {
    if (!g_armed.load())
        return false;
    return g_left.fetch_sub(1) <= 0;
}

} // namespace

FailingAlloc::FailingAlloc(int after) {
    g_left = after;
    g_armed = true;
}

FailingAlloc::~FailingAlloc() {
    g_armed = false;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFail())
        return nullptr;
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (ShouldFail())
        return nullptr;
    return std::malloc(size ? size : 1);
}
