#pragma once
#include <windows.h>
#include <winspool.h>

// A printer opened for use, or the local print server; closed when the holder goes.
class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle() { Reset(); }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;

    // Null opens the local print server. False (and nothing open) when the spooler does not
    // know the printer.
    bool Open(const wchar_t* printer) noexcept {
        Reset();
        if (!OpenPrinterW(const_cast<wchar_t*>(printer), &h_, nullptr))
            h_ = nullptr;
        return h_ != nullptr;
    }
    void Reset() noexcept {
        if (h_) {
            ClosePrinter(h_);
            h_ = nullptr;
        }
    }
    HANDLE Get() const noexcept { return h_; }

private:
    HANDLE h_ = nullptr;
};
