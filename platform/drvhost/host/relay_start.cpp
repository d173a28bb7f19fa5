#include "relay_start.h"

#include <vector>

#include "job_objects.h"

namespace {

constexpr DWORD kRelaySignalWaitMs = 20000;

} // namespace

bool RelayStart::Start(const std::wstring& program, DWORD job_id, std::wstring* error) {
    const std::wstring prefix = LoadObjectPrefix(nullptr);
    UniqueHandle event = CreateJobEvent(JobEventName(prefix, static_cast<long>(job_id)));
    if (!event) {
        *error = L"cannot make the job's event: error " + std::to_wstring(GetLastError());
        return false;
    }
    std::wstring line = L"\"" + program + L"\" " + std::to_wstring(job_id);
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        *error = L"cannot start " + program + L": error " + std::to_wstring(GetLastError());
        return false;
    }
    CloseHandle(info.hThread);
    process_.Reset(info.hProcess);
    WaitForSingleObject(event.Get(), kRelaySignalWaitMs);
    return true;
}

int RelayStart::Finish(DWORD timeout_ms) {
    if (!process_)
        return 0;
    if (WaitForSingleObject(process_.Get(), timeout_ms) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 99);
        process_.Reset();
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    process_.Reset();
    return static_cast<int>(code);
}
