#pragma once
#include <windows.h>

#include "activation_gate.h"
#include "class_factory.h"
#include "engine_link.h"
#include "handle.h"
#include "printer_handles.h"
#include "printer_watch.h"

// The core program around its engine class: command line, registration, and the local
// server's run (log configuration, watcher threads, the class object, the message loop and an
// orderly end). The program hands in its engine's class object, so that the module serves a
// fake engine in tests exactly as it serves the real one.
class CCoreModule {
public:
    CCoreModule(const CLSID& clsid, StaticClassFactory& engine) noexcept;
    ~CCoreModule();
    CCoreModule(const CCoreModule&) = delete;
    CCoreModule& operator=(const CCoreModule&) = delete;

    // The program's entry: enters COM (multithreaded), then registers, unregisters or serves.
    // Returns the exit code (0, or the failed HRESULT of a registration command).
    int WinMain(HINSTANCE instance, const wchar_t* commandLine) noexcept;

private:
    int Serve(HINSTANCE instance);
    // Starts each watcher on its own: whatever cannot be set up is logged and left out.
    void StartMonitor();
    void StopWatchers();

    static DWORD WINAPI MonitorProc(void* self) noexcept;
    static DWORD WINAPI PrinterPollProc(void* self) noexcept;
    static void OnLastUnlock(void* self) noexcept;
    void MonitorShutdown();
    void PollDefaultPrinter();

    // What ended a wait of the monitor.
    enum class Wake { kEnd, kIdle, kRequest, kPrinterChange, kTimeOut, kFailed };
    Wake WaitMonitor(DWORD timeoutMs);
    // Waits out the idle time; true when the server is to end now.
    bool IdleTimeExpired(bool* requested);
    void HandlePrinterChange();
    void ShutdownOnRequest();
    void EndMonitor();

    const CLSID& clsid_;
    ActivationGate gate_;
    GatedClassFactory factory_;
    EngineLink engine_link_;
    SpoolerPrinters printers_;
    DWORD main_thread_id_ = 0;

    UniqueHandle shutdown_event_; // auto-reset: the last object went
    UniqueHandle core_wait_event_;
    UniqueHandle end_event_;       // manual-reset: the program ends the monitor
    UniqueHandle poll_stop_event_; // owned here; closed only after the poll thread is gone
    SpoolerChangeNotifications spooler_notifications_;
    // The monitor thread's; the poll thread asks it only whether to poll the printers.
    PrinterChangeWatch change_watch_{spooler_notifications_};
    UniqueHandle monitor_thread_;
    UniqueHandle poll_thread_;
};
