#pragma once
#include <windows.h>

#include <string>

// Stands in for the product's setup where Wine's spooler cannot install the real driver: the
// driver entry "QuorvaneLettrix", backed by a driver file every prefix has, and a printer with
// that driver, which is what makes it one of the product's printers for the core.
HRESULT AddOwnPrinterDriver();
HRESULT AddOwnPrinter(const std::wstring& name);
// Removing what is not there is no error.
HRESULT RemoveOwnPrinter(const std::wstring& name);
