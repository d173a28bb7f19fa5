#include "printer_enum.h"

#include <winspool.h>

#include <vector>

#include "com_result.h"

const wchar_t kPreferredOwnPrinter[] = L"Quorvane Text Printer";

HRESULT EnumerateSystemPrinters(std::vector<PrinterEntry>* printers) {
    printers->clear();
    std::vector<BYTE> buffer;
    DWORD count = 0;
    RETURN_IF_FAILED(EnumerateLocalPrinters(2, &buffer, &count));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        PrinterEntry entry;
        entry.name = info[i].pPrinterName ? info[i].pPrinterName : L"";
        entry.driver = info[i].pDriverName ? info[i].pDriverName : L"";
        // Connections to other machines' printers never count as the product's own.
        entry.local = (info[i].Attributes & PRINTER_ATTRIBUTE_NETWORK) == 0;
        printers->push_back(std::move(entry));
    }
    return S_OK;
}

namespace {

bool IsOwnPrinter(const PrinterEntry& printer) {
    return printer.local && printer.driver == kOwnPrinterDriver;
}

} // namespace

PrinterChoice ChooseOwnPrinters(const std::vector<PrinterEntry>& printers,
                                const std::wstring& current) {
    PrinterChoice choice;
    // A current printer that is no longer one of the product's is chosen again as at a first
    // start: keeping its name would select a printer that is gone.
    for (const PrinterEntry& printer : printers) {
        if (IsOwnPrinter(printer) && printer.name == current)
            choice.current = current;
    }
    for (const PrinterEntry& printer : printers) {
        choice.system.push_back(printer.name);
        if (!IsOwnPrinter(printer))
            continue;
        choice.own.push_back(printer.name);
        if (choice.current.empty() || printer.name == kPreferredOwnPrinter)
            choice.current = printer.name;
    }
    return choice;
}
