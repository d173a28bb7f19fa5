#include "relay_launch.h"

#include <vector>

#include "handle.h"

bool BuildRelayCommand(const std::wstring& folder, const std::wstring& prefix, long job_id,
                       RelayCommand* command) {
    if (folder.empty() || folder.find(L'"') != std::wstring::npos ||
        prefix.find(L'"') != std::wstring::npos)
        return false;
    command->program = folder;
    if (command->program.back() != L'\\' && command->program.back() != L'/')
        command->program += L'\\';
    command->program += prefix + L"stub.exe";
    command->command_line = L"\"" + command->program + L"\" " + std::to_wstring(job_id);
    return true;
}

bool StartRelay(const RelayCommand& command, HANDLE job_event, DWORD wait_ms, RelayWait* outcome,
                DWORD* error) {
    std::vector<wchar_t> line(command.command_line.begin(), command.command_line.end());
    line.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // The program is named apart from the command line, so that no other file is ever tried
    // for it (a folder with blanks and no quotes would otherwise be searched piece by piece).
    if (!CreateProcessW(command.program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        *error = GetLastError();
        return false;
    }
    UniqueHandle thread(info.hThread);
    UniqueHandle process(info.hProcess);
    if (!job_event) {
        *outcome = RelayWait::kNotWaited;
        return true;
    }
    // A relay that ends first (it could not start, or failed before its event) ends the wait.
    const HANDLE waited[] = {job_event, process.Get()};
    switch (WaitForMultipleObjects(2, waited, FALSE, wait_ms)) {
    case WAIT_OBJECT_0:
        *outcome = RelayWait::kSignalled;
        break;
    case WAIT_OBJECT_0 + 1:
        // It may have set the event just before it ended.
        *outcome = WaitForSingleObject(job_event, 0) == WAIT_OBJECT_0 ? RelayWait::kSignalled
                                                                      : RelayWait::kEnded;
        break;
    case WAIT_TIMEOUT:
        *outcome = RelayWait::kTimedOut;
        break;
    default:
        *outcome = RelayWait::kFailed;
        break;
    }
    return true;
}
