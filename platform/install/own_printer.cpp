#include "own_printer.h"

#include <winspool.h>

#include "printer_query.h"

namespace {

// Wine's own printer driver: a file every prefix has in its driver folder, so the spooler
// accepts a driver entry that names it.
constexpr wchar_t kDriverFile[] = L"wineps.drv";

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

} // namespace

HRESULT AddOwnPrinterDriver() {
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(kOwnPrinterDriver);
    info.pDriverPath = const_cast<wchar_t*>(kDriverFile);
    info.pDataFile = const_cast<wchar_t*>(kDriverFile);
    info.pConfigFile = const_cast<wchar_t*>(kDriverFile);
    if (AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES))
        return S_OK;
    return GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? S_OK : LastError();
}

HRESULT AddOwnPrinter(const std::wstring& name) {
    HRESULT hr = AddOwnPrinterDriver();
    if (FAILED(hr))
        return hr;
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(L"FILE:");
    info.pDriverName = const_cast<wchar_t*>(kOwnPrinterDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer)
        return GetLastError() == ERROR_PRINTER_ALREADY_EXISTS ? S_OK : LastError();
    ClosePrinter(printer);
    return S_OK;
}

HRESULT RemoveOwnPrinter(const std::wstring& name) {
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &access))
        return GetLastError() == ERROR_INVALID_PRINTER_NAME ? S_OK : LastError();
    const BOOL deleted = DeletePrinter(printer);
    const HRESULT hr = deleted ? S_OK : LastError();
    ClosePrinter(printer);
    return hr;
}
