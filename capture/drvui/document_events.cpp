#include "document_events.h"

#include <stddef.h>
#include <string.h>

#include <string>

#include "driver_folder.h"
#include "handle.h"
#include "job_objects.h"
#include "log.h"
#include "module_ids.h"
#include "module_instance.h"
#include "relay_launch.h"
#include "unc_printers.h"

namespace {

// How long the printing application waits for its relay to run.
constexpr DWORD kRelayWaitMs = 20000;
constexpr size_t kFilterHeaderBytes = offsetof(DOCEVENT_FILTER, aDocEventCall);
constexpr UINT kFilteredCount = sizeof(kFilteredEvents) / sizeof(kFilteredEvents[0]);

UncPrinters g_unc_printers;

// The log configuration for one start of document.
class DocumentLog {
public:
    DocumentLog() { LoadLogConfig(); }
    ~DocumentLog() { UnloadLogConfig(); }
    DocumentLog(const DocumentLog&) = delete;
    DocumentLog& operator=(const DocumentLog&) = delete;
};

// The job's event, made anew: one left from an earlier job of the same id may still be set,
// which would end the wait before this job's relay runs.
UniqueHandle MakeJobEvent(const std::wstring& name) {
    UniqueHandle event = CreateJobEvent(name);
    if (event && GetLastError() == ERROR_ALREADY_EXISTS)
        ResetEvent(event.Get());
    return event;
}

void LogWaitOutcome(RelayWait outcome) {
    switch (outcome) {
    case RelayWait::kSignalled:
    case RelayWait::kNotWaited:
        break;
    case RelayWait::kEnded:
        LogWarn(kLogSource, L"Stub ended before it set its event");
        break;
    case RelayWait::kTimedOut:
        LogWarn(kLogSource, L"Stub did not set its event in time");
        break;
    case RelayWait::kFailed:
        LogWarnNum(kLogSource, L"Waiting for stub failed", static_cast<long>(GetLastError()));
        break;
    }
}

void LaunchRelay(const std::wstring& prefix, long job_id) {
    const std::wstring event_name = JobEventName(prefix, job_id);
    UniqueHandle job_event = MakeJobEvent(event_name);
    if (job_event)
        LogInfoStr(kLogSource, L"Created stub event", event_name.c_str());
    else
        LogErrorNum(kLogSource, L"Cannot create stub event", static_cast<long>(GetLastError()));

    RelayCommand command;
    const std::wstring folder = ReadDriverFolder();
    if (!BuildRelayCommand(folder, prefix, job_id, &command)) {
        LogErrorStr(kLogSource, L"DriverPath cannot be used:", folder.c_str());
        return;
    }
    LogInfoStr(kLogSource, L"Launching stub", command.command_line.c_str());
    RelayWait outcome = RelayWait::kNotWaited;
    DWORD error = 0;
    if (!StartRelay(command, job_event.Get(), kRelayWaitMs, &outcome, &error)) {
        LogInfoNum(kLogSource, L"CreateProcess error", static_cast<long>(error));
        return;
    }
    LogWaitOutcome(outcome);
}

} // namespace

void AnswerQueryFilter(ULONG out_bytes, void* out) {
    if (!out || out_bytes < kFilterHeaderBytes)
        return;
    auto* filter = static_cast<DOCEVENT_FILTER*>(out);
    const size_t room_in_buffer = (out_bytes - kFilterHeaderBytes) / sizeof(DWORD);
    filter->cElementsNeeded = kFilteredCount;
    if (filter->cElementsAllocated < kFilteredCount || room_in_buffer < kFilteredCount) {
        filter->cElementsReturned = 0;
        return;
    }
    for (UINT i = 0; i < kFilteredCount; ++i)
        filter->aDocEventCall[i] = kFilteredEvents[i];
    filter->cElementsReturned = kFilteredCount;
}

void OnCreateDcPre(HANDLE printer, ULONG in_bytes, const void* in) {
    // The device name is all that is read.
    constexpr size_t kNeeded = offsetof(DOCEVENT_CREATEDCPRE, pszDevice) + sizeof(PWSTR);
    if (!in || in_bytes < kNeeded)
        return;
    const auto* create = static_cast<const DOCEVENT_CREATEDCPRE*>(in);
    g_unc_printers.NoteDeviceContext(printer, create->pszDevice,
                                     LoadObjectPrefix(ModuleInstance()));
}

void OnStartDocPost(HANDLE printer, ULONG in_bytes, const void* in) {
    if (!in || in_bytes < sizeof(LONG))
        return;
    LONG job_id = 0;
    memcpy(&job_id, in, sizeof(job_id));
    DocumentLog log;
    const std::wstring prefix = LoadObjectPrefix(ModuleInstance());
    // The spooler's job ids are positive; no relay could serve another.
    if (job_id <= 0) {
        LogErrorNum(kLogSource, L"Bad job id, stub not launched", job_id);
        return;
    }
    if (g_unc_printers.IsUnc(printer, prefix)) {
        LogInfo(kLogSource, L"UNC printer, stub not launched");
        return;
    }
    LaunchRelay(prefix, job_id);
}

void ReleaseDocumentEventState() {
    g_unc_printers.Detach();
}
