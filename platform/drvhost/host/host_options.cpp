#include "host_options.h"

#include <wchar.h>

#include "spooler_jobs.h"

const wchar_t kHostUsage[] =
    L"usage: qlx_drvhost --module DLL [--printer NAME] [--job ID] [--document NAME]\n"
    L"         [--datatype TYPE] [--dpi N] [--glyph-indices]\n"
    L"         [--positions given|enumerated|batches] [--fault NAME]...\n"
    L"         [--reset-after-page N] [--repeat N] [--second-job ID PRINTER]\n"
    L"         [--relay PROGRAM] [--ui-module DLL]\n"
    L"         PAGE.emf...\n"
    L"faults: print-server job-info null-job-strings enumeration short-positions advances\n"
    L"        no-metrics\n"
    L"        no-glyph-set lying-glyph-set abort second-start devmode-without-resolution\n"
    L"        null-document\n";

namespace {

bool ParseNumber(const wchar_t* text, unsigned long* value) {
    wchar_t* end = nullptr;
    *value = wcstoul(text, &end, 10);
    return end && end != text && *end == 0;
}

bool ApplyFault(const std::wstring& name, HostOptions* options) {
    struct Fault {
        const wchar_t* name;
        DWORD* mask;
        DWORD bit;
        bool* flag;
    };
    const Fault faults[] = {
        {L"print-server", &options->job_faults, kFaultPrintServer, nullptr},
        {L"job-info", &options->job_faults, kFaultJobInfo, nullptr},
        {L"null-job-strings", &options->job_faults, kFaultNullStrings, nullptr},
        {L"enumeration", &options->player.calls.faults, kFaultEnumerationError, nullptr},
        {L"advances", &options->player.calls.faults, kFaultAdvanceWidths, nullptr},
        {L"short-positions", &options->player.calls.faults, kFaultShortEnumeration, nullptr},
        {L"no-metrics", &options->player.calls.faults, kFaultNoMetrics, nullptr},
        {L"no-glyph-set", &options->player.calls.faults, kFaultNoGlyphSet, nullptr},
        {L"lying-glyph-set", nullptr, 0, &options->player.lying_glyph_set},
        {L"abort", nullptr, 0, &options->abort},
        {L"second-start", nullptr, 0, &options->second_start},
        {L"devmode-without-resolution", nullptr, 0, &options->devmode_without_resolution},
        {L"null-document", nullptr, 0, &options->null_document},
    };
    for (const Fault& fault : faults) {
        if (name != fault.name)
            continue;
        if (fault.mask)
            *fault.mask |= fault.bit;
        else
            *fault.flag = true;
        return true;
    }
    return false;
}

bool ParsePositions(const std::wstring& mode, PositionMode* positions) {
    if (mode == L"given")
        *positions = PositionMode::kGiven;
    else if (mode == L"enumerated")
        *positions = PositionMode::kEnumerated;
    else if (mode == L"batches")
        *positions = PositionMode::kBatches;
    else
        return false;
    return true;
}

} // namespace

bool ParseHostOptions(int argc, wchar_t** argv, HostOptions* options, std::wstring* error) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto value = [&](int ahead = 1) -> const wchar_t* {
            return i + ahead < argc ? argv[i + ahead] : nullptr;
        };
        unsigned long number = 0;
        if (arg.rfind(L"--", 0) != 0) {
            options->pages.push_back(arg);
            continue;
        }
        if (arg == L"--glyph-indices") {
            options->player.calls.glyph_indices = true;
            continue;
        }
        const wchar_t* next = value();
        if (!next) {
            *error = arg + L" needs a value";
            return false;
        }
        bool ok = true;
        if (arg == L"--module")
            options->module = next;
        else if (arg == L"--printer")
            options->printer = next;
        else if (arg == L"--document")
            options->document = next;
        else if (arg == L"--relay")
            options->relay = next;
        else if (arg == L"--ui-module")
            options->ui_module = next;
        else if (arg == L"--datatype")
            options->datatype = next;
        else if (arg == L"--job")
            ok = ParseNumber(next, &number) && (options->job_id = number, true);
        else if (arg == L"--dpi")
            ok = ParseNumber(next, &number) && number > 0 && number < 10000 &&
                 (options->dpi = static_cast<LONG>(number), true);
        else if (arg == L"--positions")
            ok = ParsePositions(next, &options->player.calls.positions);
        else if (arg == L"--fault")
            ok = ApplyFault(next, options);
        else if (arg == L"--repeat")
            ok = ParseNumber(next, &number) && number > 0 && number < 100 &&
                 (options->repeat = number, true);
        else if (arg == L"--reset-after-page")
            ok = ParseNumber(next, &number) && (options->reset_after_page = number, true);
        else if (arg == L"--second-job") {
            ok = value(2) && ParseNumber(next, &number) && number != 0;
            if (ok) {
                options->second_job = number;
                options->second_printer = value(2);
                ++i;
            }
        } else
            ok = false;
        if (!ok) {
            *error = L"cannot use " + arg + L" " + next;
            return false;
        }
        ++i;
    }
    if (options->module.empty()) {
        *error = L"no --module given";
        return false;
    }
    return true;
}
