#include "printer_change_watch.h"

#include "log.h"

bool PrinterChangeWatch::Start() noexcept {
    Stop();
    handle_ = source_.First();
    if (!Valid(handle_)) {
        handle_ = nullptr;
        LogWarn(L'C', L"CCoreModule::StartMonitor No printer change notification, polling");
        InterlockedExchange(&polling_, 1);
        return false;
    }
    rearmed_ = false;
    InterlockedExchange(&polling_, 0);
    return true;
}

void PrinterChangeWatch::Stop() noexcept {
    if (Valid(handle_))
        source_.Close(handle_);
    handle_ = nullptr;
}

void PrinterChangeWatch::GiveUp() noexcept {
    Stop();
    InterlockedExchange(&polling_, 1);
    LogError(L'C', L"CCoreModule::MonitorShutdown Printer change notification given up, polling");
}

DWORD PrinterChangeWatch::Read() noexcept {
    if (!Valid(handle_))
        return 0;
    DWORD change = 0;
    if (source_.Next(handle_, &change)) {
        rearmed_ = false;
        return change;
    }
    LogErrorNum(L'C', L"CCoreModule::MonitorShutdown Change notification error",
                static_cast<long>(GetLastError()));
    if (rearmed_) {
        GiveUp();
        return 0;
    }
    source_.Close(handle_);
    handle_ = source_.First();
    if (!Valid(handle_)) {
        handle_ = nullptr;
        GiveUp();
        return 0;
    }
    rearmed_ = true;
    return 0;
}
