#include "stub_pipe.h"

#include <algorithm>

#include "job_objects.h"
#include "log.h"
#include "module_ids.h"

namespace {

constexpr DWORD kWaitForInstanceMs = 20000;
constexpr DWORD kRetryPauseMs = 100;

ULONGLONG Now() {
    return GetTickCount64();
}

} // namespace

StubLink ConnectStubPipe(const std::wstring& prefix, long job_id, UniqueHandle* pipe) {
    UniqueHandle event(OpenEventW(SYNCHRONIZE, FALSE, JobEventName(prefix, job_id).c_str()));
    if (!event) {
        LogWarnNum(kLogSource, L"Event not opened - error", static_cast<long>(GetLastError()));
        return StubLink::kNoRelay;
    }
    event.Reset();

    const std::wstring name = JobPipeName(prefix, job_id);
    LogInfoStr(kLogSource, L"DRV::Pipename=", name.c_str());
    const ULONGLONG deadline = Now() + kStubPipeDeadlineMs;
    DWORD error = ERROR_TIMEOUT;
    for (unsigned attempt = 0; attempt < kStubPipeTries; ++attempt) {
        HANDLE opened = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened != INVALID_HANDLE_VALUE) {
            pipe->Reset(opened);
            return StubLink::kConnected;
        }
        error = GetLastError();
        const ULONGLONG now = Now();
        if (now >= deadline)
            break;
        const DWORD left = static_cast<DWORD>(deadline - now);
        if (!WaitNamedPipeW(name.c_str(), std::min(kWaitForInstanceMs, left)))
            Sleep(std::min(kRetryPauseMs, left));
    }
    LogErrorNum(kLogSource, L"DRV::Relay pipe not reached - error", static_cast<long>(error));
    return StubLink::kNotReached;
}
