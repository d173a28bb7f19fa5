// The end-to-end benchmark's client: sends a job written as runs, repeated, to a core's
// capture calls and prints how long it took, in microseconds:
//
//   qlx_bench_send CLSID RUNS_FILE REPEAT [--until-saved]
//
// With --until-saved the time runs until the core has no job left (it has rendered and saved
// this one), asked through its automation interface. Prints "pages P runs R us T".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "qlx_core.h"
#include "runs_file.h"
#include "runs_file_bytes.h"

namespace {

constexpr DWORD kLongestWaitMs = 10 * 60 * 1000;

ComBstr Text(const std::u16string& text) {
    return ComBstr(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()));
}

double NowUs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart * 1e6 / frequency.QuadPart;
}

// Waits until the core holds no job; false after the longest wait or when it cannot say.
bool WaitUntilSaved(IQLX_INT* core) {
    ComPtr<IQLX> automation;
    if (FAILED(core->QueryInterface(IID_IQLX, automation.AsVoidOut())))
        return false;
    const ULONGLONG end = GetTickCount64() + kLongestWaitMs;
    while (GetTickCount64() < end) {
        long jobs = -1;
        if (FAILED(automation->get_TotalJobs(&jobs)))
            return false;
        if (jobs == 0)
            return true;
        Sleep(1);
    }
    return false;
}

int Run(int argc, wchar_t** argv) {
    CLSID clsid;
    std::string bytes;
    HandJob job;
    RunsFileError error;
    if (argc < 4 || FAILED(CLSIDFromString(argv[1], &clsid)) ||
        !ReadRunsFileBytes(argv[2], &bytes) || !ParseRunsFile(bytes, &job, &error)) {
        std::fprintf(stderr, "usage: qlx_bench_send CLSID RUNS_FILE REPEAT [--until-saved]\n");
        return 2;
    }
    const long repeat = std::wcstol(argv[3], nullptr, 10);
    const bool until_saved = argc > 4 && std::wstring(argv[4]) == L"--until-saved";
    ComPtr<IQLX_INT> core;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX_INT, core.AsVoidOut());
    if (FAILED(hr)) {
        std::fprintf(stderr, "qlx_bench_send: no core (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 1;
    }
    // Strings made before the clock starts: a capture client has its text at hand.
    ComBstr printer(L"Quorvane Text Printer"), type(L"RAW"), document(L"bench");
    std::vector<ComBstr> texts, fonts;
    for (const HandPage& page : job.pages) {
        for (const HandRun& run : page.runs) {
            texts.push_back(Text(run.text));
            fonts.push_back(Text(run.font));
        }
    }
    long pages = 0, runs = 0;
    const double start = NowUs();
    hr = core->int_StartJob(printer, type, 1, job.dpi, document);
    for (long round = 0; SUCCEEDED(hr) && round < repeat; ++round) {
        size_t index = 0;
        for (const HandPage& page : job.pages) {
            hr = core->int_StartPage(page.width, page.height);
            ++pages;
            for (const HandRun& run : page.runs) {
                if (FAILED(hr))
                    break;
                hr = core->int_Add(run.x0, run.y0, run.x1, run.y1, texts[index].Get(),
                                   fonts[index].Get());
                ++index;
                ++runs;
            }
        }
    }
    if (SUCCEEDED(hr))
        hr = core->int_EndJob();
    if (SUCCEEDED(hr) && until_saved && !WaitUntilSaved(core.Get()))
        hr = E_FAIL;
    const double spent = NowUs() - start;
    if (FAILED(hr)) {
        std::fprintf(stderr, "qlx_bench_send: the job failed (0x%08lX)\n",
                     static_cast<unsigned long>(hr));
        return 1;
    }
    std::printf("pages %ld runs %ld us %.0f\n", pages, runs, spent);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    int code = 1;
    try {
        code = Run(argc, argv);
    } catch (...) {
        std::fprintf(stderr, "qlx_bench_send: out of memory\n");
    }
    CoUninitialize();
    return code;
}
