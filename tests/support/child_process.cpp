#include "child_process.h"

#include <map>
#include <vector>

namespace {

std::map<std::wstring, ChildMain>& Children() {
    static std::map<std::wstring, ChildMain> children;
    return children;
}

} // namespace

ChildRegistration::ChildRegistration(const wchar_t* name, ChildMain main) {
    Children()[name] = main;
}

int RunChildIfAsked(int argc, wchar_t** argv) {
    if (argc < 3 || std::wstring(argv[1]) != L"--child")
        return -1;
    auto found = Children().find(argv[2]);
    if (found == Children().end())
        return 97;
    return found->second(argc - 3, argv + 3);
}

UniqueHandle StartChild(const wchar_t* name, const std::wstring& arguments) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --child " + name;
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        return UniqueHandle();
    CloseHandle(info.hThread);
    return UniqueHandle(info.hProcess);
}

int WaitChild(HANDLE process, DWORD timeoutMs) {
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process, 99);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}
