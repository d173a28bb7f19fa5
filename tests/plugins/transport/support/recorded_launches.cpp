#include "recorded_launches.h"

#include <windows.h>

#include "temp_dir.h"

std::vector<RecordedLaunch> ReadLaunches(const std::wstring& record) {
    std::string bytes;
    std::vector<RecordedLaunch> launches;
    if (!ReadWholeFile(record, &bytes))
        return launches;
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    RecordedLaunch launch;
    size_t start = 0;
    for (size_t end = text.find(L'\n'); end != std::wstring::npos;
         start = end + 1, end = text.find(L'\n', start)) {
        const std::wstring line = text.substr(start, end - start);
        if (line.rfind(L"cwd=", 0) == 0)
            launch.folder = line.substr(4);
        else if (line.rfind(L"show=", 0) == 0)
            launch.show = std::stoi(line.substr(5));
        else if (line.rfind(L"arg=", 0) == 0)
            launch.args.push_back(line.substr(4));
        else if (line == L"end") {
            launches.push_back(launch);
            launch = RecordedLaunch();
        }
    }
    return launches;
}

bool RecordLaunchesInto(const std::wstring& record) {
    SetEnvironmentVariableW(L"QLX_ARGV_DELAY_MS", nullptr);
    return SetEnvironmentVariableW(L"QLX_ARGV_RECORD", record.c_str()) != FALSE;
}
