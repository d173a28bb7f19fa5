#pragma once
#include <windows.h>

#include "identity_source.h"

// Hands out numbers from next on, counting them as the engine's counter would.
class CountingIdentity final : public IdentitySource {
public:
    explicit CountingIdentity(long next) : next_(next) {}
    long TakeIdentity() noexcept override { return InterlockedIncrement(&next_) - 1; }
    long Next() const { return next_; }

private:
    volatile LONG next_;
};
