#include "job_information.h"

#include <winspool.h>

#include <vector>

namespace {

// Job information beyond this is not believed.
constexpr DWORD kMaxJobInfoBytes = 1 << 20;

class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle() {
        if (handle_)
            ClosePrinter(handle_);
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    HANDLE* Put() { return &handle_; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

std::wstring TextOrEmpty(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

DWORD ErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

} // namespace

JobInformationResult ReadJobInformation(DWORD job_id, JobInformation* info, DWORD* error) {
    PrinterHandle server;
    if (!OpenPrinterW(nullptr, server.Put(), nullptr) || !server.Get()) {
        *error = ErrorOr(ERROR_INVALID_HANDLE);
        return JobInformationResult::kNoPrintServer;
    }
    DWORD needed = 0;
    SetLastError(0);
    GetJobW(server.Get(), job_id, 1, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_1W) || needed > kMaxJobInfoBytes) {
        *error = ErrorOr(ERROR_INVALID_PARAMETER);
        return JobInformationResult::kNoJob;
    }
    // Pointer-aligned, as the structure needs.
    std::vector<ULONG_PTR> buffer((needed + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR));
    const DWORD room = static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR));
    if (!GetJobW(server.Get(), job_id, 1, reinterpret_cast<BYTE*>(buffer.data()), room, &needed)) {
        *error = ErrorOr(ERROR_INVALID_PARAMETER);
        return JobInformationResult::kNoJob;
    }
    const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
    info->printer = TextOrEmpty(job->pPrinterName);
    info->datatype = TextOrEmpty(job->pDatatype);
    return JobInformationResult::kRead;
}
