// Stands in for the relay where the tests need it to misbehave. Installed by the tests as
// "qlxstub.exe" in a folder of their own; told what to do by its environment:
//   QLX_FAKE_RELAY_LOG   file to which it appends its command line
//   QLX_FAKE_RELAY_MODE  "signal": sets the job's event and ends; "exit": ends at once without
//                        it; "hang": neither, until the event "qlx_fake_relay_release" is set
//                        (at most 60 s)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[1024];
    const DWORD n = GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

void AppendLine(const std::wstring& path, const std::wstring& line) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::wstring text = line + L"\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring log = Environment(L"QLX_FAKE_RELAY_LOG");
    if (!log.empty())
        AppendLine(log, GetCommandLineW());
    const std::wstring mode = Environment(L"QLX_FAKE_RELAY_MODE");
    if (mode == L"signal" && argc > 1) {
        const std::wstring name = L"Global\\qlx_UL_Event_" + std::to_wstring(_wtol(argv[1]));
        HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
        if (event) {
            SetEvent(event);
            CloseHandle(event);
        }
    } else if (mode == L"hang") {
        HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"qlx_fake_relay_release");
        WaitForSingleObject(release, 60000);
        CloseHandle(release);
    }
    return 0;
}
