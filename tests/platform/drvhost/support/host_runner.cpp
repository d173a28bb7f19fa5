#include "host_runner.h"

#include <sstream>

#include "drvhost_paths.h"
#include "handle.h"
#include "temp_dir.h"

std::wstring DrvHostFile(const std::wstring& name) {
    return std::wstring(QLX_DRVHOST_DIR) + L"\\" + name;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

int RunProgram(const std::wstring& command_line, std::string* output, DWORD timeout_ms) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return -1;
    UniqueHandle reader(read), writer(write);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = nullptr;
    std::vector<wchar_t> line(command_line.begin(), command_line.end());
    line.push_back(0);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    UniqueHandle process(info.hProcess);
    CloseHandle(info.hThread);
    writer.Reset();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        if (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available) {
            if (!ReadFile(read, buffer, sizeof buffer, &got, nullptr) || !got)
                break;
            text.append(buffer, got);
            continue;
        }
        if (WaitForSingleObject(process.Get(), 20) == WAIT_OBJECT_0) {
            while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got)
                text.append(buffer, got);
            break;
        }
        if (GetTickCount() - start > timeout_ms) {
            TerminateProcess(process.Get(), 99);
            return -1;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    if (output)
        *output = text;
    return static_cast<int>(code);
}

std::vector<std::wstring> PrintDocument(const std::wstring& document, const std::wstring& folder,
                                        const std::wstring& options) {
    std::string output;
    const int code = RunProgram(Quoted(DrvHostFile(L"qlx_printdoc.exe")) + L" " + options + L" " +
                                    Quoted(document) + L" " + Quoted(folder),
                                &output);
    std::vector<std::wstring> pages;
    if (code != 0)
        return pages;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        if (!line.empty())
            pages.emplace_back(line.begin(), line.end());
    }
    return pages;
}

int RunHost(const std::wstring& module, const std::wstring& options,
            const std::vector<std::wstring>& pages, std::string* output) {
    std::wstring line =
        Quoted(DrvHostFile(L"qlx_drvhost.exe")) + L" --module " + Quoted(module) + L" " + options;
    for (const std::wstring& page : pages)
        line += L" " + Quoted(page);
    return RunProgram(line, output);
}

bool WriteTextFile(const std::wstring& path, const std::wstring& text) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    return WriteWholeFile(path, utf8);
}

std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}
