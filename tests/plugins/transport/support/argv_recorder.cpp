// A stand-in post-processor: it appends to the file named by QLX_ARGV_RECORD what it was
// started with, as UTF-16 lines: "cwd=" its working folder, "show=" the show command it was
// given, one "arg=" line per argument as the C runtime read them (its own name left out), and
// "end". With QLX_ARGV_DELAY_MS set it waits that long first, so that a caller that returns
// before it ends shows.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? value : L"";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring record = Environment(L"QLX_ARGV_RECORD");
    if (record.empty())
        return 2;
    const std::wstring delay = Environment(L"QLX_ARGV_DELAY_MS");
    if (!delay.empty())
        Sleep(static_cast<DWORD>(std::wcstoul(delay.c_str(), nullptr, 10)));

    wchar_t folder[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    std::wstring text = L"cwd=" + std::wstring(folder) + L"\n";
    text += L"show=" + std::to_wstring(show) + L"\n";
    for (int i = 1; i < argc; ++i)
        text += L"arg=" + std::wstring(argv[i]) + L"\n";
    text += L"end\n";

    // Records of several runs follow each other; a run that finds the file busy tries again.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(10);
            continue;
        }
        DWORD done = 0;
        const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const BOOL written = WriteFile(file, text.data(), size, &done, nullptr);
        CloseHandle(file);
        return written && done == size ? 0 : 3;
    }
    return 4;
}
