#include "printer_watch.h"

#include <winspool.h>

#include <algorithm>

#include "log.h"

namespace {

HRESULT LastErrorResult() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT ReadSorted(PrinterSource& source, std::vector<std::wstring>* names) {
    HRESULT hr = source.PrinterNames(names);
    if (SUCCEEDED(hr))
        std::sort(names->begin(), names->end());
    return hr;
}

} // namespace

void DefaultPrinterTracker::Start(PrinterSource& source) {
    std::wstring name;
    const HRESULT hr = source.DefaultPrinter(&name);
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollDefaultPrinter Cannot read the default printer", hr);
        return;
    }
    last_ = std::move(name);
    known_ = true;
}

void DefaultPrinterTracker::Poll(PrinterSource& source, PrinterChangeSink& engine) {
    std::wstring name;
    HRESULT hr = source.DefaultPrinter(&name);
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollDefaultPrinter Cannot read the default printer", hr);
        return;
    }
    // Before the first good read there is nothing to compare with.
    if (!known_) {
        last_ = std::move(name);
        known_ = true;
        return;
    }
    if (name == last_)
        return;
    hr = engine.DefaultPrinterChanged(name.c_str());
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollDefaultPrinter Engine not reached, retried", hr);
        return;
    }
    last_ = std::move(name);
}

void PrinterListTracker::Start(PrinterSource& source) {
    std::vector<std::wstring> names;
    const HRESULT hr = ReadSorted(source, &names);
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollPrinters Cannot enumerate printers", hr);
        return;
    }
    last_ = std::move(names);
    known_ = true;
}

void PrinterListTracker::Poll(PrinterSource& source, PrinterChangeSink& engine) {
    std::vector<std::wstring> names;
    HRESULT hr = ReadSorted(source, &names);
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollPrinters Cannot enumerate printers", hr);
        return;
    }
    if (!known_) {
        last_ = std::move(names);
        known_ = true;
        return;
    }
    if (names == last_)
        return;
    LogInfo(L'C', L"CCoreModule::PollPrinters Printers added or deleted");
    hr = engine.AddRemovePrinter();
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CCoreModule::PollPrinters Engine not reached, retried", hr);
        return;
    }
    last_ = std::move(names);
}

HRESULT SpoolerPrinters::DefaultPrinter(std::wstring* name) {
    name->clear();
    DWORD size = 260;
    for (int tries = 0; tries < 3; ++tries) {
        std::wstring buffer(size, L'\0');
        if (GetDefaultPrinterW(&buffer[0], &size)) {
            buffer.resize(wcslen(buffer.c_str()));
            *name = std::move(buffer);
            return S_OK;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return S_FALSE; // no default printer
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return HRESULT_FROM_WIN32(error);
    }
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}

HRESULT SpoolerPrinters::PrinterNames(std::vector<std::wstring>* names) {
    names->clear();
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    // The list may grow between the two calls.
    for (int tries = 0; tries < 3; ++tries) {
        std::vector<BYTE> buffer(needed ? needed : 1);
        if (EnumPrintersW(flags, nullptr, 4, buffer.data(), static_cast<DWORD>(buffer.size()),
                          &needed, &count)) {
            const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
            for (DWORD i = 0; i < count; ++i)
                names->emplace_back(info[i].pPrinterName ? info[i].pPrinterName : L"");
            return S_OK;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return LastErrorResult();
    }
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
}
