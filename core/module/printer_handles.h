#pragma once
#include <windows.h>
#include <winspool.h>

#include "printer_change_watch.h"
#include "printer_handle.h"

// The local print server, opened for change notifications; closed when the holder goes.
class PrintServerHandle : public PrinterHandle {
public:
    bool Open() noexcept { return PrinterHandle::Open(nullptr); }
};

// The spooler's notifications of printers added or deleted on the local print server, which
// it opens for them; closed when the holder goes.
class SpoolerChangeNotifications final : public ChangeNotificationSource {
public:
    SpoolerChangeNotifications() = default;
    ~SpoolerChangeNotifications() { server_.Reset(); }
    SpoolerChangeNotifications(const SpoolerChangeNotifications&) = delete;
    SpoolerChangeNotifications& operator=(const SpoolerChangeNotifications&) = delete;

    HANDLE First() override {
        if (!server_.Get() && !server_.Open())
            return nullptr;
        return FindFirstPrinterChangeNotification(
            server_.Get(), PRINTER_CHANGE_ADD_PRINTER | PRINTER_CHANGE_DELETE_PRINTER, 0, nullptr);
    }
    bool Next(HANDLE notification, DWORD* change) override {
        return FindNextPrinterChangeNotification(notification, change, nullptr, nullptr) != 0;
    }
    void Close(HANDLE notification) override { FindClosePrinterChangeNotification(notification); }
    void CloseServer() noexcept { server_.Reset(); }

private:
    PrintServerHandle server_;
};
