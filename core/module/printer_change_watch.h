#pragma once
#include <windows.h>

// How the watch asks the spooler for printer change notifications (the spooler; a fake in
// tests).
class ChangeNotificationSource {
public:
    // A notification of printers added or deleted; null or INVALID_HANDLE_VALUE when none.
    virtual HANDLE First() = 0;
    // Reads the change that signalled the handle and arms it again; false on failure.
    virtual bool Next(HANDLE notification, DWORD* change) = 0;
    virtual void Close(HANDLE notification) = 0;

protected:
    ~ChangeNotificationSource() = default;
};

// The notification of printers added or deleted on the local print server. A notification
// whose change cannot be read stays signalled, so a waiter would wake at once, for ever: it is
// asked for again once, and when that fails too, or the new one fails before any change was
// read from it, the watch gives up and the printers are to be polled instead.
class PrinterChangeWatch {
public:
    explicit PrinterChangeWatch(ChangeNotificationSource& source) noexcept : source_(source) {}
    ~PrinterChangeWatch() { Stop(); }
    PrinterChangeWatch(const PrinterChangeWatch&) = delete;
    PrinterChangeWatch& operator=(const PrinterChangeWatch&) = delete;

    // False when the spooler gives no notification (the printers are polled).
    bool Start() noexcept;
    void Stop() noexcept;
    // What to wait for; null when there is none.
    HANDLE Handle() const noexcept { return Valid(handle_) ? handle_ : nullptr; }
    // After the handle was signalled: the change's flags, 0 when it could not be read.
    DWORD Read() noexcept;
    // Whether the printers must be polled: no notification, or one that failed. Any thread.
    bool Polling() const noexcept { return InterlockedCompareExchange(&polling_, 0, 0) != 0; }

private:
    static bool Valid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    void GiveUp() noexcept;

    ChangeNotificationSource& source_;
    HANDLE handle_ = nullptr;
    bool rearmed_ = false; // asked for again, and no change read since
    mutable LONG polling_ = 1;
};
