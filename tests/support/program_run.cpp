#include "program_run.h"

#include <cstdio>
#include <vector>

#include "handle.h"

namespace {

// What the pipe holds now; never waits for more, so that a grandchild that kept the pipe's
// other end can't hold the test.
void Drain(HANDLE pipe, std::string* text) {
    char buffer[4096];
    DWORD available = 0, got = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available &&
           ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got)
        text->append(buffer, got);
}

} // namespace

bool StartProcess(wchar_t* line, bool inherit, STARTUPINFOW* startup, PROCESS_INFORMATION* info) {
    // Wine now and then refuses a start while many test programs start others at once.
    for (int attempt = 0;; ++attempt) {
        if (CreateProcessW(nullptr, line, nullptr, nullptr, inherit, 0, nullptr, nullptr, startup,
                           info))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 4) {
            fprintf(stderr, "cannot start %ls: error %lu\n", line, error);
            return false;
        }
        Sleep(200);
    }
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

int RunProgram(const std::wstring& command_line, std::string* output, DWORD timeout_ms) {
    UniqueHandle reader, writer;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (output) {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!CreatePipe(&read, &write, &inherit, 0))
            return -1;
        reader.Reset(read);
        writer.Reset(write);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    std::vector<wchar_t> line(command_line.begin(), command_line.end());
    line.push_back(0);
    PROCESS_INFORMATION info = {};
    if (!StartProcess(line.data(), output != nullptr, &startup, &info))
        return -1;
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    writer.Reset();
    std::string text;
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (reader)
            Drain(reader.Get(), &text);
        if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0)
            break;
        if (GetTickCount64() > deadline) {
            TerminateProcess(process.Get(), 99);
            WaitForSingleObject(process.Get(), 5000);
            return -1;
        }
    }
    if (reader)
        Drain(reader.Get(), &text);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    if (output)
        *output = text;
    return static_cast<int>(code);
}
