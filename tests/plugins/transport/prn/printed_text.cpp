#include "printed_text.h"

#include <windows.h>

#include <cstdio>
#include <sstream>

#include "temp_dir.h"

namespace {

// The host's name for a path of the prefix (Wine's own export of kernel32).
std::string UnixPath(const std::wstring& path) {
    using Converter = char*(CDECL*)(const wchar_t*);
    static const auto convert = reinterpret_cast<Converter>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return std::string();
    char* unix = convert(path.c_str());
    if (!unix)
        return std::string();
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs a shell script on the host and waits for it; its exit status comes back.
bool RunHostScript(const TempDir& work, const std::string& script, int* status, std::string* error,
                   unsigned timeoutMs) {
    const std::wstring done = work.File(L"script.done");
    const std::string doneUnix = UnixPath(done);
    if (doneUnix.empty()) {
        *error = "no host path (not under Wine?)";
        return false;
    }
    // Detached from the test's output, which ctest waits on until every holder closes it.
    const std::string whole = "exec </dev/null >/dev/null 2>&1; (" + script + "); echo $? > '" +
                              doneUnix + ".tmp' && mv '" + doneUnix + ".tmp' '" + doneUnix + "'";
    std::wstring command = L"/bin/sh -c \"";
    for (char c : whole) {
        if (c == '"' || c == '\\')
            command += L'\\';
        command += static_cast<wchar_t>(c);
    }
    command += L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        *error = "cannot start the host shell: " + std::to_string(GetLastError());
        return false;
    }
    if (process.hProcess)
        CloseHandle(process.hProcess);
    if (process.hThread)
        CloseHandle(process.hThread);
    for (unsigned waited = 0; waited < timeoutMs; waited += 20) {
        std::string text;
        if (ReadWholeFile(done, &text)) {
            *status = std::atoi(text.c_str());
            return true;
        }
        Sleep(20);
    }
    *error = "the host script did not finish";
    return false;
}

std::string Trimmed(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t\r\f");
    if (first == std::string::npos)
        return std::string();
    const size_t last = line.find_last_not_of(" \t\r\f");
    return line.substr(first, last - first + 1);
}

std::string Quoted(const std::wstring& path) {
    return "'" + UnixPath(path) + "'";
}

} // namespace

bool ReadPrintedPages(const std::wstring& postScript, std::vector<std::vector<std::string>>* pages,
                      std::string* error, unsigned timeoutMs) {
    pages->clear();
    TempDir work;
    const std::string script = "/usr/bin/gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite "
                               "-sOutputFile=" +
                               Quoted(work.Path()) + "/page-%d.txt " + Quoted(postScript) + " > " +
                               Quoted(work.File(L"gs.log")) + " 2>&1";
    int status = -1;
    if (!RunHostScript(work, script, &status, error, timeoutMs))
        return false;
    if (status != 0) {
        std::string log;
        ReadWholeFile(work.File(L"gs.log"), &log);
        *error = "Ghostscript failed (" + std::to_string(status) + "): " + log;
        return false;
    }
    for (int n = 1;; ++n) {
        std::string text;
        if (!ReadWholeFile(work.File(L"page-" + std::to_wstring(n) + L".txt"), &text))
            break;
        std::vector<std::string> lines;
        std::istringstream stream(text);
        for (std::string line; std::getline(stream, line);) {
            line = Trimmed(line);
            if (!line.empty())
                lines.push_back(line);
        }
        pages->push_back(std::move(lines));
    }
    return true;
}

bool ReadMarkBoxes(const std::wstring& postScript, std::vector<MarkBox>* boxes, std::string* error,
                   unsigned timeoutMs) {
    boxes->clear();
    TempDir work;
    const std::string script = "/usr/bin/gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=bbox " +
                               Quoted(postScript) + " > " + Quoted(work.File(L"bbox.txt")) +
                               " 2>&1";
    int status = -1;
    if (!RunHostScript(work, script, &status, error, timeoutMs))
        return false;
    std::string text;
    ReadWholeFile(work.File(L"bbox.txt"), &text);
    if (status != 0) {
        *error = "Ghostscript failed (" + std::to_string(status) + "): " + text;
        return false;
    }
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        MarkBox box{};
        if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &box.left,
                        &box.bottom, &box.right, &box.top) == 4)
            boxes->push_back(box);
    }
    return true;
}
