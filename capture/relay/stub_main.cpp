#include "stub_main.h"

#include <string>

#include "adapter_sink.h"
#include "core_adapter.h"
#include "handle.h"
#include "job_forwarder.h"
#include "job_id.h"
#include "job_objects.h"
#include "log.h"
#include "pipe_source.h"
#include "product_key.h"
#include "relay_exit.h"
#include "stub_watchdog.h"

namespace {

constexpr UINT kProductKeyStringId = 1;

// The relays' mutex while this relay holds it.
class JobTurn {
public:
    JobTurn() = default;
    ~JobTurn() {
        if (owned_)
            ReleaseMutex(mutex_.Get());
    }
    JobTurn(const JobTurn&) = delete;
    JobTurn& operator=(const JobTurn&) = delete;

    // Waits without limit until this relay's turn. A relay that ended while it held the
    // mutex left it abandoned: that counts as the turn, and its job as over.
    bool Take(const std::wstring& name) {
        bool existed = false;
        mutex_ = CreateStubMutex(name, &existed);
        if (!mutex_) {
            LogErrorNum(L'O', L"QLXSTUB::Cannot create mutex", static_cast<long>(GetLastError()));
            return false;
        }
        if (existed)
            LogInfo(L'O', L"QLXSTUB::Waiting for previous job");
        const DWORD wait = WaitForSingleObject(mutex_.Get(), INFINITE);
        if (wait == WAIT_ABANDONED)
            LogWarn(L'O', L"QLXSTUB::Previous job's relay ended without its mutex");
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (!owned_)
            LogErrorNum(L'O', L"QLXSTUB::Cannot wait for mutex", static_cast<long>(GetLastError()));
        return owned_;
    }

private:
    UniqueHandle mutex_;
    bool owned_ = false;
};

// The served end of the job's pipe, disconnected before it is closed.
class ServedPipe {
public:
    explicit ServedPipe(UniqueHandle pipe) : pipe_(std::move(pipe)) {}
    ~ServedPipe() {
        if (connected_)
            DisconnectNamedPipe(pipe_.Get());
    }
    ServedPipe(const ServedPipe&) = delete;
    ServedPipe& operator=(const ServedPipe&) = delete;

    // A client that connected before the wait counts as connected, also one that has
    // already closed again (its messages are still there to read).
    bool WaitForClient() {
        connected_ = ConnectNamedPipe(pipe_.Get(), nullptr) ||
                     GetLastError() == ERROR_PIPE_CONNECTED || GetLastError() == ERROR_NO_DATA;
        return connected_;
    }
    HANDLE Get() const { return pipe_.Get(); }

private:
    UniqueHandle pipe_;
    bool connected_ = false;
};

void LogReadFailure(const PipeSource& pipe) {
    LogErrorNum(L'O', L"QLXSTUB::ReadFile failed", static_cast<long>(pipe.LastError()));
}

void LogFault(const wchar_t* text, const char* fault) {
    const std::string ascii = fault ? fault : "";
    LogErrorStr(L'O', text, std::wstring(ascii.begin(), ascii.end()).c_str());
}

int ExitOfJob(const JobForwarder& forwarder, const AdapterSink& sink, const PipeSource& pipe) {
    switch (forwarder.Outcome()) {
    case JobOutcome::kDelivered:
        if (sink.NoCore())
            return kRelayNoCore;
        return FAILED(sink.FirstFailure()) ? kRelayCoreFailed : kRelayDelivered;
    case JobOutcome::kOpen:
    case JobOutcome::kReadFailed:
        LogReadFailure(pipe);
        return kRelayReadFailed;
    case JobOutcome::kUnknownCommand:
        LogError(L'O', L"QLXSTUB::UNKNOWN COMMAND!!!");
        return kRelayUnknownCommand;
    case JobOutcome::kOutOfOrder:
        LogFault(L"QLXSTUB::Message out of order:", forwarder.Fault());
        return kRelayOutOfOrder;
    case JobOutcome::kBadLength:
    case JobOutcome::kMalformed:
        LogFault(L"QLXSTUB::Bad message:", forwarder.Fault());
        return kRelayBadMessage;
    }
    return kRelayBadMessage;
}

// Steps after the pipe exists: the client, the first message under the watchdog, the turn
// of this job, then the job itself.
int ServeJob(ServedPipe& pipe, const std::wstring& prefix) {
    StubWatchdog watchdog;
    watchdog.Start(ReadPrintTimeoutMs());
    if (!pipe.WaitForClient()) {
        LogErrorNum(L'O', L"QLXSTUB::ConnectNamedPipe failed", static_cast<long>(GetLastError()));
        return kRelayNotConnected;
    }
    PipeSource source(pipe.Get());
    PipeMessage first;
    const ReadStatus status = ReadPipeMessage(source, &first);
    if (!watchdog.FirstMessageArrived())
        return kRelayTimedOut;

    AdapterSink sink;
    JobForwarder forwarder(sink);
    if (status != ReadStatus::kMessage) {
        forwarder.ReadFailed(status);
        return ExitOfJob(forwarder, sink, source);
    }
    JobTurn turn;
    if (!turn.Take(StubMutexName(prefix)))
        return kRelayMutexFailed;
    if (forwarder.Take(first))
        forwarder.Run(source);
    // A job that did not reach its end lets go of the core without int_EndJob.
    if (forwarder.Outcome() != JobOutcome::kDelivered)
        stop_adapter();
    return ExitOfJob(forwarder, sink, source);
}

int Relay(HINSTANCE instance, const wchar_t* commandLine) {
    if (!HasArguments(commandLine)) {
        LogError(L'O', L"QLXSTUB::Command line is empty");
        return kRelayNoJobId;
    }
    const std::wstring prefix = LoadObjectPrefix(instance);
    const long jobId = ParseJobId(commandLine);

    UniqueHandle jobEvent(OpenEventW(EVENT_ALL_ACCESS, FALSE, JobEventName(prefix, jobId).c_str()));
    if (jobEvent)
        SetEvent(jobEvent.Get());
    else
        LogError(L'O', L"QLXSTUB::Cannot open DRV event");

    const std::wstring pipeName = JobPipeName(prefix, jobId);
    LogInfoStr(L'O', L"QLXSTUB::Pipename=", pipeName.c_str());
    UniqueHandle pipe = CreateJobPipe(pipeName);
    if (!pipe) {
        LogErrorNum(L'O', L"QLXSTUB::CreatePipe failed", static_cast<long>(GetLastError()));
        return kRelayPipeFailed;
    }
    ServedPipe served(std::move(pipe));
    return ServeJob(served, prefix);
}

} // namespace

int StubMain(HINSTANCE instance, const wchar_t* commandLine) noexcept {
    int exitCode = kRelayReadFailed;
    try {
        LoadProductKey(instance, kProductKeyStringId);
        LoadLogConfig();
        exitCode = Relay(instance, commandLine);
        LogInfoNum(L'O', L"QLXSTUB::Exit code", exitCode);
    } catch (...) {
        stop_adapter();
        LogError(L'O', L"QLXSTUB::Ended by an error");
    }
    UnloadLogConfig();
    return exitCode;
}
