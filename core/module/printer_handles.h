#pragma once
#include <windows.h>
#include <winspool.h>

#include "printer_handle.h"

// The local print server, opened for change notifications; closed when the holder goes.
class PrintServerHandle : public PrinterHandle {
public:
    bool Open() noexcept { return PrinterHandle::Open(nullptr); }
};

// A printer change notification; closed when the holder goes. Invalid when the spooler gives
// none (Wine's is a stub).
class ChangeNotificationHandle {
public:
    ChangeNotificationHandle() = default;
    ~ChangeNotificationHandle() { Reset(); }
    ChangeNotificationHandle(const ChangeNotificationHandle&) = delete;
    ChangeNotificationHandle& operator=(const ChangeNotificationHandle&) = delete;

    void Reset(HANDLE h = INVALID_HANDLE_VALUE) noexcept {
        if (Valid())
            FindClosePrinterChangeNotification(h_);
        h_ = h;
    }
    bool Valid() const noexcept { return h_ && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const noexcept { return h_; }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};
