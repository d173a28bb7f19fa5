#include "printer_enum.h"

#include <winspool.h>

#include <vector>

const wchar_t kOwnPrinterDriver[] = L"QuorvaneLettrix";
const wchar_t kPreferredOwnPrinter[] = L"Quorvane Text Printer";

HRESULT EnumerateSystemPrinters(std::vector<PrinterEntry>* printers) {
    printers->clear();
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    if (!EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &count)) {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return HRESULT_FROM_WIN32(error);
    }
    if (needed == 0)
        return S_OK;
    // The list may grow between the two calls: ask again with the size it wants then.
    std::vector<BYTE> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer.resize(needed);
        if (EnumPrintersW(flags, nullptr, 2, buffer.data(), needed, &needed, &count))
            break;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return HRESULT_FROM_WIN32(error);
        count = 0;
    }
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

std::wstring QueryDefaultPrinter() {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> name(size + 1);
    if (!GetDefaultPrinterW(name.data(), &size))
        return std::wstring();
    return std::wstring(name.data());
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
