#pragma once

// The engine's identity counter as the IDENTITY macro takes numbers from it.
class IdentitySource {
public:
    // Returns the counter's value and advances it by one, as one step: send threads expand
    // macros at the same time and each number goes to one of them only. The engine writes the
    // advanced counter to the per-user product key here, before the number is used, and never
    // lets a later write carry an older value, so that no number repeats after a crash.
    virtual long TakeIdentity() noexcept = 0;

protected:
    ~IdentitySource() = default;
};
