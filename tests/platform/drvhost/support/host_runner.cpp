#include "host_runner.h"

#include <sstream>

#include "drvhost_paths.h"
#include "handle.h"
#include "temp_dir.h"

std::wstring DrvHostFile(const std::wstring& name) {
    return std::wstring(QLX_DRVHOST_DIR) + L"\\" + name;
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

std::wstring NumberedWords(int count, int per_paragraph) {
    std::wstring text;
    for (int i = 1; i <= count; ++i) {
        wchar_t word[16];
        swprintf(word, 16, L"w%04d", i);
        text += word;
        text += i % per_paragraph ? L" " : L"\n";
    }
    return text;
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
