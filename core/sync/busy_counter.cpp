#include "busy_counter.h"

#include "log.h"

BusyCounter::BusyCounter() : event_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    if (!event_.Valid())
        LogErrorNum(L'C', L"BusyCounter event creation failed", static_cast<long>(GetLastError()));
}

void BusyCounter::Enter() noexcept {
    CriticalSectionLock hold(lock_);
    if (InterlockedIncrement(&count_) == 1 && event_.Valid())
        ResetEvent(event_.Get());
}

void BusyCounter::Leave() noexcept {
    CriticalSectionLock hold(lock_);
    if (InterlockedDecrement(&count_) == 0 && event_.Valid())
        SetEvent(event_.Get());
}

void BusyCounter::Wait(const wchar_t* text) noexcept {
    if (Count() == 0 || !event_.Valid())
        return;
    LogInfo(L'C', text);
    WaitForSingleObject(event_.Get(), INFINITE);
}
