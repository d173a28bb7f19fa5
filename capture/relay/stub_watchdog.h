#pragma once
#include <windows.h>

#include "handle.h"

// The limit for the first message of a job: the seconds of PrintTimeout (HKEY_LOCAL_MACHINE,
// product key), 30 when missing or 0, in milliseconds, counted in 64 bits and kept below
// INFINITE.
constexpr DWORD kDefaultPrintTimeoutSeconds = 30;
DWORD WatchdogMilliseconds(DWORD seconds);
DWORD ReadPrintTimeoutMs();

// StubWatchdog: a thread that ends the whole relay when no message arrived in time. It
// covers the client's connection and the first message only; the wait for a previous job
// comes after it, so a job queued behind a slow one is not lost. Either the first message
// or the time-out wins, never both.
class StubWatchdog {
public:
    StubWatchdog() = default;
    ~StubWatchdog();
    StubWatchdog(const StubWatchdog&) = delete;
    StubWatchdog& operator=(const StubWatchdog&) = delete;

    // Starts the thread; failures are logged and the relay goes on without a watchdog.
    void Start(DWORD timeoutMs);
    // Stops the watchdog; false when its time ran out first (the process is ending).
    bool FirstMessageArrived();

private:
    static DWORD WINAPI Run(void* self) noexcept;
    void Watch();

    enum State : LONG { kWaiting, kArrived, kTimedOut };
    volatile LONG state_ = kWaiting;
    DWORD timeout_ms_ = 0;
    UniqueHandle command_event_;
    UniqueHandle thread_;
};
