// qlxsend: sends a job written as runs of text (see runs_file.h) to the core through its
// capture calls, as the relay does for a printed job. For the demo and the benchmark.
//
//   qlxsend [--printer NAME] [--job ID] [--name DOCUMENT] [--repeat N] RUNS_FILE
//
// --repeat sends the file's pages N times in one job. Exit code 0 when the core took the
// whole job; otherwise a line on stderr says which call failed.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "core_adapter.h"
#include "runs_file.h"
#include "runs_file_bytes.h"

namespace {

constexpr wchar_t kDefaultPrinter[] = L"Quorvane Text Printer";

struct Options {
    std::wstring printer = kDefaultPrinter;
    long job_id = 1;
    std::wstring document;
    long repeat = 1;
    std::wstring file;
};

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool ReadLong(const wchar_t* text, long minimum, long* value) {
    wchar_t* end = nullptr;
    const long read = std::wcstol(text, &end, 10);
    if (!*text || *end || read < minimum)
        return false;
    *value = read;
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == L"--printer" && has_value) {
            options->printer = argv[++i];
        } else if (arg == L"--name" && has_value) {
            options->document = argv[++i];
        } else if (arg == L"--job" && has_value) {
            if (!ReadLong(argv[++i], 1, &options->job_id))
                return false;
        } else if (arg == L"--repeat" && has_value) {
            if (!ReadLong(argv[++i], 1, &options->repeat))
                return false;
        } else if (options->file.empty() && arg.rfind(L"--", 0) != 0) {
            options->file = arg;
        } else {
            return false;
        }
    }
    return !options->file.empty();
}

std::wstring FileTitle(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int Report(const char* call, HRESULT hr) {
    std::fprintf(stderr, "qlxsend: %s failed (0x%08lX)\n", call, static_cast<unsigned long>(hr));
    return 1;
}

int Send(const Options& options, const HandJob& job) {
    const std::wstring document = !options.document.empty() ? options.document
                                  : !job.document.empty()   ? std::wstring(Wide(job.document))
                                                            : FileTitle(options.file);
    HRESULT hr =
        DriverStartJob(options.printer.c_str(), L"RAW", options.job_id, job.dpi, document.c_str());
    if (FAILED(hr)) {
        stop_adapter();
        return Report("int_StartJob", hr);
    }
    size_t pages = 0, runs = 0;
    for (long round = 0; round < options.repeat; ++round) {
        for (const HandPage& page : job.pages) {
            if (FAILED(hr = DriverStartPage(page.width, page.height))) {
                stop_adapter();
                return Report("int_StartPage", hr);
            }
            ++pages;
            for (const HandRun& run : page.runs) {
                hr = DriverAdd(run.x0, run.y0, run.x1, run.y1, Wide(run.text), Wide(run.font));
                if (FAILED(hr)) {
                    stop_adapter();
                    return Report("int_Add", hr);
                }
                ++runs;
            }
        }
    }
    if (FAILED(hr = DriverEndJob()))
        return Report("int_EndJob", hr);
    std::printf("qlxsend: job %ld, \"%ls\": %zu page(s), %zu run(s) sent to \"%ls\"\n",
                options.job_id, document.c_str(), pages, runs, options.printer.c_str());
    return 0;
}

int Run(int argc, wchar_t** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: qlxsend [--printer NAME] [--job ID] [--name DOCUMENT] "
                             "[--repeat N] RUNS_FILE\n");
        return 2;
    }
    std::string bytes;
    if (!ReadRunsFileBytes(options.file.c_str(), &bytes)) {
        std::fprintf(stderr, "qlxsend: cannot read %ls\n", options.file.c_str());
        return 2;
    }
    HandJob job;
    RunsFileError error;
    if (!ParseRunsFile(bytes, &job, &error)) {
        std::fprintf(stderr, "qlxsend: %ls:%zu: %s\n", options.file.c_str(), error.line,
                     error.message.c_str());
        return 2;
    }
    return Send(options, job);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "qlxsend: out of memory\n");
        return 2;
    }
}
