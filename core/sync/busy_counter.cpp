#include "busy_counter.h"

#include "log.h"

namespace {

// The counters whose shares this thread holds. A thread holds a few at most (a cancel thread
// that runs a listener that saves, say); past the table's size a share is not told apart,
// which only makes a wait on that thread wait for it as for any other.
struct ThreadShare {
    const BusyCounter* counter;
    LONG shares;
};
constexpr int kThreadShareSlots = 8;
thread_local ThreadShare t_shares[kThreadShareSlots] = {};

ThreadShare* FindSlot(const BusyCounter* counter, bool create) {
    ThreadShare* free_slot = nullptr;
    for (ThreadShare& slot : t_shares) {
        if (slot.counter == counter)
            return &slot;
        if (!slot.counter && !free_slot)
            free_slot = &slot;
    }
    if (create && free_slot)
        free_slot->counter = counter;
    return create ? free_slot : nullptr;
}

} // namespace

BusyCounter::BusyCounter() : event_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    if (!event_.Valid())
        LogErrorNum(L'C', L"BusyCounter event creation failed", static_cast<long>(GetLastError()));
}

void BusyCounter::Enter() noexcept {
    SrwGuard hold(lock_);
    if (InterlockedIncrement(&count_) == 1 && event_.Valid())
        ResetEvent(event_.Get());
}

void BusyCounter::Leave() noexcept {
    SrwGuard hold(lock_);
    if (InterlockedDecrement(&count_) == 0 && event_.Valid())
        SetEvent(event_.Get());
    left_.WakeAll();
}

LONG BusyCounter::SharesOfThisThread() const noexcept {
    const ThreadShare* slot = FindSlot(this, false);
    return slot ? slot->shares : 0;
}

void BusyCounter::AddThreadShare(LONG delta) noexcept {
    ThreadShare* slot = FindSlot(this, true);
    if (!slot)
        return;
    slot->shares += delta;
    if (slot->shares <= 0)
        *slot = ThreadShare{};
}

bool BusyCounter::WaitUntilOthersLeft(const wchar_t* text, DWORD timeoutMs) noexcept {
    const LONG own = SharesOfThisThread();
    if (Count() <= own)
        return true;
    LogInfo(L'C', text);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    SrwGuard hold(lock_);
    // Woken at every Leave; the count is looked at again each time, so an Enter that came in
    // between keeps the wait going.
    while (Count() > own) {
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end)
                return false;
            wait = static_cast<DWORD>(end - now);
        }
        left_.WaitFor(lock_, wait);
    }
    return true;
}

void BusyCounter::Wait(const wchar_t* text) noexcept {
    WaitUntilOthersLeft(text, INFINITE);
}

bool BusyCounter::WaitFor(const wchar_t* text, DWORD timeoutMs) noexcept {
    return WaitUntilOthersLeft(text, timeoutMs);
}

HeldShare::HeldShare(BusyCounter& counter, Mode mode) noexcept : counter_(counter) {
    if (mode == kEnter)
        counter_.Enter();
    counter_.AddThreadShare(1);
}

HeldShare::~HeldShare() {
    counter_.AddThreadShare(-1);
    counter_.Leave();
}
