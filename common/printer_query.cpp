#include "printer_query.h"

#include <winspool.h>

#include "printer_handle.h"

const wchar_t kOwnPrinterDriver[] = L"QuorvaneLettrix";

HRESULT EnumerateLocalPrinters(DWORD level, std::vector<BYTE>* buffer, DWORD* count) {
    buffer->clear();
    *count = 0;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    if (!EnumPrintersW(flags, nullptr, level, nullptr, 0, &needed, count)) {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return HRESULT_FROM_WIN32(error);
    }
    *count = 0;
    for (int attempt = 0; attempt < 4 && needed > 0; ++attempt) {
        buffer->resize(needed);
        if (EnumPrintersW(flags, nullptr, level, buffer->data(), needed, &needed, count))
            return S_OK;
        const DWORD error = GetLastError();
        *count = 0;
        if (error != ERROR_INSUFFICIENT_BUFFER)
            return HRESULT_FROM_WIN32(error);
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

bool IsOwnPrinter(const wchar_t* printer) noexcept {
    PrinterHandle handle;
    if (!handle.Open(printer))
        return false;
    DWORD needed = 0;
    GetPrinterW(handle.Get(), 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W))
        return false;
    try {
        std::vector<BYTE> buffer(needed);
        if (!GetPrinterW(handle.Get(), 2, buffer.data(), needed, &needed))
            return false;
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        return info->pDriverName && wcscmp(info->pDriverName, kOwnPrinterDriver) == 0;
    } catch (...) {
        return false;
    }
}
