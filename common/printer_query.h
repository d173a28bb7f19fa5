#pragma once
#include <windows.h>

#include <string>
#include <vector>

// What the spooler tells about the machine's printers, asked by the core and the printer
// transport alike.

// The printer driver of the product's own printers (compared exactly).
extern const wchar_t kOwnPrinterDriver[];

// The local and connected printers at the given level: the entries (PRINTER_INFO_<level>) in
// buffer, their number in count. The list may grow between the size query and the read: then
// it is read again at the size it wants. The system error as an HRESULT on failure.
HRESULT EnumerateLocalPrinters(DWORD level, std::vector<BYTE>* buffer, DWORD* count);

// The system's default printer; empty when there is none.
std::wstring QueryDefaultPrinter();

// True when the printer's driver is the product's: printing there would come back to the
// product as a new job. False for any other printer and for one the spooler cannot tell about.
bool IsOwnPrinter(const wchar_t* printer) noexcept;
