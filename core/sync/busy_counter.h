#pragma once
#include <windows.h>

#include "critical_section.h"
#include "handle.h"

// A counting event: signalled while nobody is inside, reset while at least one is. The engine
// waits on it for its worker threads (sends, redirects, cancels, job processing, replays).
class BusyCounter {
public:
    BusyCounter();
    BusyCounter(const BusyCounter&) = delete;
    BusyCounter& operator=(const BusyCounter&) = delete;

    // False when the event could not be created; such a counter never makes Wait block.
    bool Valid() const { return event_.Valid(); }

    void Enter() noexcept;
    void Leave() noexcept;
    // When someone is inside: logs text (information, source 'C') and waits without limit.
    void Wait(const wchar_t* text) noexcept;

    LONG Count() const noexcept { return InterlockedCompareExchange(&count_, 0, 0); }
    HANDLE Event() const { return event_.Get(); }

private:
    UniqueHandle event_;
    mutable volatile LONG count_ = 0;
    // Keeps the count and the event's state in step: without it a Leave that reached 0 could
    // set the event after a concurrent Enter had reset it.
    CriticalSection lock_;
};

// Inside a BusyCounter for the lifetime of the guard.
class BusyGuard {
public:
    explicit BusyGuard(BusyCounter& counter) : counter_(counter) { counter_.Enter(); }
    ~BusyGuard() { counter_.Leave(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    BusyCounter& counter_;
};
