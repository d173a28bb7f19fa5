#pragma once
#include <windows.h>

#include <string>

#include "own_printer.h"

// Tests that add or remove printers hold the ctest lock "printers".

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
