#include "command_line.h"

#include <wchar.h>

CoreCommand ParseCoreCommandLine(const wchar_t* line) noexcept {
    if (!line)
        return CoreCommand::kRun;
    for (const wchar_t* p = line; *p; ++p) {
        if (*p != L'-' && *p != L'/')
            continue;
        if (wcscmp(p + 1, L"UnregServer") == 0)
            return CoreCommand::kUnregister;
        if (wcscmp(p + 1, L"RegServer") == 0)
            return CoreCommand::kRegister;
    }
    return CoreCommand::kRun;
}
