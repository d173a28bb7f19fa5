#include "stub_watchdog.h"

#include <stdint.h>

#include "log.h"
#include "registry.h"
#include "relay_exit.h"

DWORD WatchdogMilliseconds(DWORD seconds) {
    if (seconds == 0)
        seconds = kDefaultPrintTimeoutSeconds;
    const uint64_t ms = uint64_t{seconds} * 1000u;
    constexpr uint64_t kLongest = INFINITE - 1;
    return static_cast<DWORD>(ms < kLongest ? ms : kLongest);
}

DWORD ReadPrintTimeoutMs() {
    DWORD seconds = kDefaultPrintTimeoutSeconds;
    ReadRegDword(HKEY_LOCAL_MACHINE, &seconds, kDefaultPrintTimeoutSeconds, L"PrintTimeout");
    return WatchdogMilliseconds(seconds);
}

StubWatchdog::~StubWatchdog() {
    if (thread_) {
        FirstMessageArrived();
        WaitForSingleObject(thread_.Get(), INFINITE);
    }
}

void StubWatchdog::Start(DWORD timeoutMs) {
    timeout_ms_ = timeoutMs;
    command_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!command_event_) {
        LogErrorNum(L'O', L"QLXSTUB::Cannot open wait event", static_cast<long>(GetLastError()));
        return;
    }
    thread_.Reset(CreateThread(nullptr, 0, Run, this, 0, nullptr));
    if (!thread_)
        LogErrorNum(L'O', L"QLXSTUB::Cannot create thread", static_cast<long>(GetLastError()));
}

bool StubWatchdog::FirstMessageArrived() {
    const LONG before = InterlockedCompareExchange(&state_, kArrived, kWaiting);
    if (before == kTimedOut)
        return false;
    if (before == kWaiting && command_event_)
        SetEvent(command_event_.Get());
    return true;
}

DWORD WINAPI StubWatchdog::Run(void* self) noexcept {
    static_cast<StubWatchdog*>(self)->Watch();
    return 0;
}

void StubWatchdog::Watch() {
    if (WaitForSingleObject(command_event_.Get(), timeout_ms_) != WAIT_TIMEOUT ||
        InterlockedCompareExchange(&state_, kTimedOut, kWaiting) != kWaiting) {
        LogInfo(L'O', L"QLXSTUB::Waiting thread completed");
        return;
    }
    LogError(L'O', L"QLXSTUB::Timeout waiting for command");
    // At once: the main thread may be inside a blocking call, and holds neither the relays'
    // mutex nor the core before the first message, so nothing is left half done. Every log
    // line is already flushed.
    TerminateProcess(GetCurrentProcess(), kRelayTimedOut);
}
