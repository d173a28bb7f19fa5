#pragma once
#include <windows.h>

#include "handle.h"
#include "srw_lock.h"

// A counting event: signalled while nobody is inside, reset while at least one is. The engine
// waits on it for its worker threads (sends, redirects, cancels, job processing, replays).
//
// A worker thread holds its share of the counter (HeldShare, BusyGuard) for as long as it runs,
// and a wait on that thread leaves its own shares out: a worker that ends up waiting for its
// own kind (a listener's call on a cancel thread that waits for the cancels) does not wait on
// itself.
class BusyCounter {
public:
    BusyCounter();
    BusyCounter(const BusyCounter&) = delete;
    BusyCounter& operator=(const BusyCounter&) = delete;

    // False when the event could not be created; the counting and waiting work without it.
    bool Valid() const { return event_.Valid(); }

    void Enter() noexcept;
    void Leave() noexcept;
    // When others than this thread are inside: logs text (information, source 'C') and waits
    // until they have all left.
    void Wait(const wchar_t* text) noexcept;
    // As Wait, at most timeoutMs; false when others are still inside then.
    bool WaitFor(const wchar_t* text, DWORD timeoutMs) noexcept;

    LONG Count() const noexcept { return InterlockedCompareExchange(&count_, 0, 0); }
    HANDLE Event() const { return event_.Get(); }

    // The shares that the calling thread holds of this counter.
    LONG SharesOfThisThread() const noexcept;

private:
    friend class HeldShare;
    void AddThreadShare(LONG delta) noexcept;
    bool WaitUntilOthersLeft(const wchar_t* text, DWORD timeoutMs) noexcept;

    UniqueHandle event_;
    mutable volatile LONG count_ = 0;
    // Keeps the count and the event's state in step, and wakes the waiters.
    SrwLock lock_;
    ConditionVariable left_;
};

// One share of a counter held by the running thread. Adopting takes over a share that was
// entered for this thread by the thread that started it (counted before the start, so that no
// wait misses it); the share is left when the holder goes.
class HeldShare {
public:
    enum Mode { kEnter, kAdopt };
    HeldShare(BusyCounter& counter, Mode mode) noexcept;
    ~HeldShare();
    HeldShare(const HeldShare&) = delete;
    HeldShare& operator=(const HeldShare&) = delete;

private:
    BusyCounter& counter_;
};

// Inside a BusyCounter for the lifetime of the guard, as a share of this thread.
class BusyGuard {
public:
    explicit BusyGuard(BusyCounter& counter) : share_(counter, HeldShare::kEnter) {}

private:
    HeldShare share_;
};
