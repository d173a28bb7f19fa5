#include "spooler_jobs.h"

#include <winspool.h>

#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

struct Job {
    DWORD id;
    std::wstring printer;
    std::wstring datatype;
    std::wstring document;
    DWORD faults;
};

std::mutex g_lock;
std::vector<Job> g_jobs;
// Opens of the local print server that fail: one for each job named with that fault.
unsigned g_serverFailures = 0;

// The handle of the local print server as this stand-in hands it out.
HANDLE const kServerHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x51530001));

template <class Fn> Fn SystemSpooler(const char* name) {
    static HMODULE spooler = LoadLibraryW(L"winspool.drv");
    return spooler ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(spooler, name)))
                   : nullptr;
}

const Job* FindJob(DWORD id) {
    for (const Job& job : g_jobs) {
        if (job.id == id)
            return &job;
    }
    return nullptr;
}

size_t TextBytes(const std::wstring& text) {
    return (text.size() + 1) * sizeof(wchar_t);
}

// Packs the job's level-1 information: the structure, then its strings.
BOOL WriteJobInfo(const Job& job, BYTE* buffer, DWORD room, DWORD* needed) {
    const bool null_strings = job.faults & kFaultNullStrings;
    size_t size = sizeof(JOB_INFO_1W) + TextBytes(job.document);
    if (!null_strings)
        size += TextBytes(job.printer) + TextBytes(job.datatype);
    *needed = static_cast<DWORD>(size);
    if (!buffer || room < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buffer);
    ZeroMemory(info, sizeof *info);
    auto* text = reinterpret_cast<wchar_t*>(buffer + sizeof(JOB_INFO_1W));
    auto put = [&text](const std::wstring& value) {
        wchar_t* at = text;
        value.copy(at, value.size());
        at[value.size()] = 0;
        text += value.size() + 1;
        return at;
    };
    info->JobId = job.id;
    info->pDocument = put(job.document);
    if (!null_strings) {
        info->pPrinterName = put(job.printer);
        info->pDatatype = put(job.datatype);
    }
    info->Status = JOB_STATUS_PRINTING;
    return TRUE;
}

} // namespace

extern "C" {

SPOOLER_JOBS_API BOOL WINAPI SpoolerJobs_Set(const HostJob* host) {
    if (!host)
        return FALSE;
    try {
        std::lock_guard<std::mutex> guard(g_lock);
        Job job{host->id, host->printer ? host->printer : L"",
                host->datatype ? host->datatype : L"", host->document ? host->document : L"",
                host->faults};
        Job* existing = nullptr;
        for (Job& known : g_jobs) {
            if (known.id == job.id)
                existing = &known;
        }
        if (existing)
            *existing = std::move(job);
        else
            g_jobs.push_back(std::move(job));
        if (host->faults & kFaultPrintServer)
            ++g_serverFailures;
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

SPOOLER_JOBS_API void WINAPI SpoolerJobs_Clear() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_jobs.clear();
    g_serverFailures = 0;
}

__declspec(dllexport) BOOL WINAPI
    OpenPrinterW(LPWSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSW defaults) {
    if (name && *name) {
        auto open = SystemSpooler<decltype(&::OpenPrinterW)>("OpenPrinterW");
        return open ? open(name, printer, defaults) : FALSE;
    }
    if (!printer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_serverFailures) {
        --g_serverFailures;
        *printer = nullptr;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    *printer = kServerHandle;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI
    GetJobW(HANDLE printer, DWORD id, DWORD level, LPBYTE buffer, DWORD room, LPDWORD needed) {
    if (printer != kServerHandle) {
        auto get = SystemSpooler<decltype(&::GetJobW)>("GetJobW");
        return get ? get(printer, id, level, buffer, room, needed) : FALSE;
    }
    if (!needed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = 0;
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    const Job* job = FindJob(id);
    if (!job || (job->faults & kFaultJobInfo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return WriteJobInfo(*job, buffer, room, needed);
}

__declspec(dllexport) BOOL WINAPI ClosePrinter(HANDLE printer) {
    if (printer == kServerHandle)
        return TRUE;
    auto close = SystemSpooler<decltype(&::ClosePrinter)>("ClosePrinter");
    return close ? close(printer) : FALSE;
}

} // extern "C"
