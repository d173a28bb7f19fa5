#pragma once
#include <windows.h>

#include <string>

// The product's printer in the test prefix: its driver ("QuorvaneLettrix", backed by a driver
// file the prefix already has) and a printer with that driver. Tests that add or remove
// printers hold the ctest lock "printers".
HRESULT AddOwnPrinterDriver();
HRESULT AddOwnPrinter(const std::wstring& name);
// Removing what is not there is no error.
HRESULT RemoveOwnPrinter(const std::wstring& name);

// Adds the driver and the printer for the holder's lifetime; the printer is removed again at
// the end (the driver stays, as it does on a machine where the product was installed once).
class OwnPrinter {
public:
    explicit OwnPrinter(const std::wstring& name = L"Quorvane Text Printer");
    ~OwnPrinter();
    OwnPrinter(const OwnPrinter&) = delete;
    OwnPrinter& operator=(const OwnPrinter&) = delete;

    HRESULT Result() const { return result_; }
    const std::wstring& Name() const { return name_; }

private:
    std::wstring name_;
    HRESULT result_;
};
