#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "printer_query.h"

// The name that wins when several of the product's printers exist.
extern const wchar_t kPreferredOwnPrinter[];

struct PrinterEntry {
    std::wstring name;
    std::wstring driver;
    bool local = false;
};

// The local and connected printers (level 2), in the spooler's order. E_FAIL with the system
// error when the enumeration fails.
HRESULT EnumerateSystemPrinters(std::vector<PrinterEntry>* printers);

// Which printers are the product's and which one is current. A local printer with the own
// driver (exact comparison) is an own printer; it becomes current when none is current yet or
// when it carries the preferred name.
struct PrinterChoice {
    std::vector<std::wstring> own;
    std::vector<std::wstring> system;
    std::wstring current;
};
PrinterChoice ChooseOwnPrinters(const std::vector<PrinterEntry>& printers,
                                const std::wstring& current);
