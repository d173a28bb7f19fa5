#include "core_module.h"

#include <memory>
#include <new>
#include <vector>

#include "com_ptr.h"
#include "command_line.h"
#include "core_ids.h"
#include "core_registration.h"
#include "core_wait_event.h"
#include "log.h"
#include "module_lock.h"
#include "product_key.h"

namespace {

constexpr DWORD kIdleTimeMs = 5000;
constexpr DWORD kPollIntervalMs = 5000;
// A shutdown request waits this long for the engine to stop (it waits for sends in progress).
constexpr DWORD kStopWaitMs = 30000;
constexpr DWORD kMonitorJoinMs = kStopWaitMs + 5000;
constexpr DWORD kPollJoinMs = 10000;
// After the loop, clients still holding the engine get this long to let go.
constexpr DWORD kReleaseWaitMs = 5000;

// Runs in a thread of its own so that a hanging Stop cannot keep the process from ending; the
// task belongs to that thread.
struct StopTask {
    ComPtr<IUnknown> engine;
};

DWORD WINAPI StopProc(void* parameter) noexcept {
    std::unique_ptr<StopTask> task(static_cast<StopTask*>(parameter));
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    UnloadUIAndStop(task->engine.Get());
    task->engine.Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

bool WaitForThread(const UniqueHandle& thread, DWORD timeoutMs) {
    return !thread || WaitForSingleObject(thread.Get(), timeoutMs) == WAIT_OBJECT_0;
}

bool WaitNoObjects(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (ModuleLock::Count() != 0) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(50);
    }
    return true;
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// Entered COM for one thread's life.
class ComApartment {
public:
    ComApartment() noexcept : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

} // namespace

CCoreModule::CCoreModule(const CLSID& clsid, StaticClassFactory& engine) noexcept
    : clsid_(clsid), factory_(engine, gate_), engine_link_(clsid) {}

CCoreModule::~CCoreModule() {
    ModuleLock::SetZeroHandler(nullptr, nullptr);
}

int CCoreModule::WinMain(HINSTANCE instance, const wchar_t* commandLine) noexcept {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(com))
        return com;
    main_thread_id_ = GetCurrentThreadId();
    int result = 0;
    try {
        const CoreCommand command = ParseCoreCommandLine(commandLine);
        if (command == CoreCommand::kRun) {
            result = Serve(instance);
        } else {
            const std::wstring program = ProgramPath();
            if (program.empty())
                result = HRESULT_FROM_WIN32(GetLastError());
            else if (command == CoreCommand::kRegister)
                result = RegisterCoreServer(program.c_str());
            else
                result = UnregisterCoreServer(program.c_str());
            CoUninitialize();
        }
    } catch (...) {
        result = E_UNEXPECTED;
    }
    return result;
}

int CCoreModule::Serve(HINSTANCE instance) {
    LoadProductKey(instance, kProductKeyStringId);
    LoadLogConfig();
    LogInfoNum(L'C', L"CCoreModule::Run process", static_cast<long>(GetCurrentProcessId()));

    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // the thread's queue
    ModuleLock::SetZeroHandler(OnLastUnlock, this);
    StartMonitor();

    ClassObjectRegistration registration;
    HRESULT hr = registration.Register(clsid_, &factory_, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED);
    if (SUCCEEDED(hr))
        hr = CoResumeClassObjects();
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::Run Cannot register the class object", hr);
    } else {
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
    }
    LogInfo(L'C', L"CCoreModule::Run end");

    gate_.Close();
    registration.Revoke();
    StopWatchers();
    const bool watchersGone =
        WaitForThread(monitor_thread_, kMonitorJoinMs) && WaitForThread(poll_thread_, kPollJoinMs);
    WaitNoObjects(kReleaseWaitMs);
    // Leaving COM drops what clients still hold: the engine's last release runs here.
    CoUninitialize();
    ModuleLock::SetZeroHandler(nullptr, nullptr);
    // The log goes only once nothing can write to it any more; else it stays open (every line
    // is flushed as it is written) and goes with the process.
    if (watchersGone && ModuleLock::Count() == 0) {
        UnloadLogConfig();
        Sleep(1000);
    }
    return FAILED(hr) ? hr : 0;
}

void CCoreModule::StartMonitor() {
    if (!change_watch_.Start())
        spooler_notifications_.CloseServer();
    core_wait_event_ = CreateCoreWaitEvent(kCoreWaitEventName);
    shutdown_event_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    end_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    poll_stop_event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));

    if (shutdown_event_ && end_event_) {
        monitor_thread_.Reset(CreateThread(nullptr, 0, MonitorProc, this, 0, nullptr));
        if (!monitor_thread_)
            LogErrorNum(L'C', L"CCoreModule::StartMonitor Cannot start the monitor thread",
                        static_cast<long>(GetLastError()));
    } else {
        LogError(L'C', L"CCoreModule::StartMonitor Cannot create the monitor's events");
    }
    if (poll_stop_event_) {
        poll_thread_.Reset(CreateThread(nullptr, 0, PrinterPollProc, this, 0, nullptr));
        if (!poll_thread_)
            LogErrorNum(L'C', L"CCoreModule::StartMonitor Cannot start the poll thread",
                        static_cast<long>(GetLastError()));
    } else {
        LogError(L'C', L"CCoreModule::StartMonitor Cannot create the poll thread's event");
    }
}

void CCoreModule::StopWatchers() {
    if (end_event_)
        SetEvent(end_event_.Get());
    if (poll_stop_event_)
        SetEvent(poll_stop_event_.Get());
}

void CCoreModule::OnLastUnlock(void* self) noexcept {
    auto* module = static_cast<CCoreModule*>(self);
    module->gate_.NoteActivity();
    if (module->shutdown_event_)
        SetEvent(module->shutdown_event_.Get());
}

DWORD WINAPI CCoreModule::MonitorProc(void* self) noexcept {
    ComApartment apartment;
    try {
        static_cast<CCoreModule*>(self)->MonitorShutdown();
    } catch (...) {
        static_cast<CCoreModule*>(self)->EndMonitor();
    }
    return 0;
}

CCoreModule::Wake CCoreModule::WaitMonitor(DWORD timeoutMs) {
    HANDLE handles[4];
    Wake kinds[4];
    DWORD count = 0;
    handles[count] = end_event_.Get();
    kinds[count++] = Wake::kEnd;
    handles[count] = shutdown_event_.Get();
    kinds[count++] = Wake::kIdle;
    if (core_wait_event_) {
        handles[count] = core_wait_event_.Get();
        kinds[count++] = Wake::kRequest;
    }
    if (HANDLE notification = change_watch_.Handle()) {
        handles[count] = notification;
        kinds[count++] = Wake::kPrinterChange;
    }
    const DWORD result = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
    if (result == WAIT_TIMEOUT)
        return Wake::kTimeOut;
    if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count)
        return kinds[result - WAIT_OBJECT_0];
    return Wake::kFailed;
}

void CCoreModule::MonitorShutdown() {
    for (;;) {
        const Wake wake = WaitMonitor(INFINITE);
        if (wake == Wake::kEnd || wake == Wake::kFailed)
            break;
        if (wake == Wake::kRequest) {
            ShutdownOnRequest();
            break;
        }
        if (wake == Wake::kPrinterChange) {
            HandlePrinterChange();
            continue;
        }
        bool requested = false;
        if (IdleTimeExpired(&requested))
            break;
        if (requested) {
            ShutdownOnRequest();
            break;
        }
    }
    EndMonitor();
}

bool CCoreModule::IdleTimeExpired(bool* requested) {
    for (;;) {
        gate_.ClearActivity();
        const Wake wake = WaitMonitor(kIdleTimeMs);
        if (wake == Wake::kEnd || wake == Wake::kFailed)
            return true;
        if (wake == Wake::kRequest) {
            *requested = true;
            return false;
        }
        if (wake == Wake::kPrinterChange)
            HandlePrinterChange();
        if (wake == Wake::kTimeOut)
            break;
    }
    if (gate_.Activity() || ModuleLock::Count() != 0)
        return false;
    // No new activation may reach an object of a server that decided to end: the decision
    // is taken under the gate that every activation passes.
    CoSuspendClassObjects();
    if (gate_.CloseIfIdle(ModuleLock::Count)) {
        LogInfo(L'C', L"CCoreModule::MonitorShutdown idle end");
        return true;
    }
    CoResumeClassObjects();
    return false;
}

void CCoreModule::HandlePrinterChange() {
    const DWORD change = change_watch_.Read();
    // A change that could not be read may still have been a printer added or deleted.
    const bool unread = change == 0;
    if (unread || (change & (PRINTER_CHANGE_ADD_PRINTER | PRINTER_CHANGE_DELETE_PRINTER))) {
        const HRESULT hr = engine_link_.AddRemovePrinter();
        if (FAILED(hr))
            LogErrorNum(L'C', L"CCoreModule::MonitorShutdown Engine not reached", hr);
    }
}

void CCoreModule::ShutdownOnRequest() {
    LogInfo(L'C', L"CCoreModule::MonitorShutdown shutdown requested");
    // Only an engine that lives is asked: none is made just to be stopped.
    std::unique_ptr<StopTask> task(new (std::nothrow) StopTask);
    if (task && ModuleLock::Count() != 0) {
        const HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                            task->engine.AsVoidOut());
        if (FAILED(hr))
            LogErrorNum(L'C', L"CCoreModule::UnloadUI Engine not reached", hr);
    }
    gate_.Close();
    if (!task || !task->engine)
        return;
    UniqueHandle stopper(CreateThread(nullptr, 0, StopProc, task.get(), 0, nullptr));
    if (!stopper) {
        UnloadUIAndStop(task->engine.Get());
        return;
    }
    task.release(); // the thread's now
    if (WaitForSingleObject(stopper.Get(), kStopWaitMs) != WAIT_OBJECT_0)
        LogError(L'C', L"CCoreModule::MonitorShutdown Engine did not stop in time");
}

void CCoreModule::EndMonitor() {
    gate_.Close();
    // The poll thread's event stays open until that thread is gone; setting it is all.
    if (poll_stop_event_)
        SetEvent(poll_stop_event_.Get());
    change_watch_.Stop();
    spooler_notifications_.CloseServer();
    PostThreadMessageW(main_thread_id_, WM_QUIT, 0, 0);
}

DWORD WINAPI CCoreModule::PrinterPollProc(void* self) noexcept {
    ComApartment apartment;
    try {
        static_cast<CCoreModule*>(self)->PollDefaultPrinter();
    } catch (...) {
        LogError(L'C', L"CCoreModule::PollDefaultPrinter ended by an error");
    }
    return 0;
}

void CCoreModule::PollDefaultPrinter() {
    DefaultPrinterTracker defaultPrinter;
    PrinterListTracker printerList;
    defaultPrinter.Start(printers_);
    // The printer list is polled only while the spooler gives no change notification, from
    // the start or once the notification failed.
    bool pollingList = change_watch_.Polling();
    if (pollingList)
        printerList.Start(printers_);
    while (WaitForSingleObject(poll_stop_event_.Get(), kPollIntervalMs) == WAIT_TIMEOUT) {
        defaultPrinter.Poll(printers_, engine_link_);
        if (!pollingList && change_watch_.Polling()) {
            pollingList = true;
            printerList.Start(printers_);
        }
        if (pollingList)
            printerList.Poll(printers_, engine_link_);
    }
}
