#include "paper_printers.h"

#include <winspool.h>

#include <vector>

#include "printer_query.h"
#include "prn_test_paths.h"
#include "test_printers.h"

namespace {

constexpr wchar_t kPpdName[] = L"qlx_test_paper.ppd";
// Wine's PostScript driver, which every prefix has in its driver folder.
constexpr wchar_t kDriverFile[] = L"wineps.drv";

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// The folder the spooler keeps this environment's version-3 driver files in.
std::wstring DriverFolder() {
    wchar_t folder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder),
                                    sizeof(folder), &needed))
        return std::wstring();
    return std::wstring(folder) + L"\\3";
}

} // namespace

HRESULT AddPaperDriver() {
    const std::wstring folder = DriverFolder();
    if (folder.empty())
        return LastError();
    CreateDirectoryW(folder.c_str(), nullptr);
    // The spooler does not copy a data file named by its path: the driver's PPD must already
    // be where the driver's files are.
    if (!CopyFileW(QLX_TEST_PAPER_PPD, (folder + L"\\" + kPpdName).c_str(), FALSE))
        return LastError();
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(kPaperDriver);
    info.pDriverPath = const_cast<wchar_t*>(kDriverFile);
    info.pDataFile = const_cast<wchar_t*>(kPpdName);
    info.pConfigFile = const_cast<wchar_t*>(kDriverFile);
    if (AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_NEW_FILES))
        return S_OK;
    return GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? S_OK : LastError();
}

PaperPrinter::PaperPrinter(std::wstring name, std::wstring output)
    : name_(std::move(name)), output_(std::move(output)), result_(AddPaperDriver()) {
    ClearOutput();
    if (FAILED(result_))
        return;
    RemoveOwnPrinter(name_); // one left behind by a test that was killed
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(name_.c_str());
    info.pPortName = const_cast<wchar_t*>(output_.c_str());
    info.pDriverName = const_cast<wchar_t*>(kPaperDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) {
        result_ = LastError();
        return;
    }
    ClosePrinter(printer);
}

PaperPrinter::~PaperPrinter() {
    RemoveOwnPrinter(name_);
}

void PaperPrinter::ClearOutput() const {
    DeleteFileW(output_.c_str());
}

DefaultPrinterScope::DefaultPrinterScope(const std::wstring& printer)
    : previous_(QueryDefaultPrinter()), done_(SetDefaultPrinterW(printer.c_str()) != FALSE) {}

DefaultPrinterScope::~DefaultPrinterScope() {
    if (done_)
        SetDefaultPrinterW(previous_.empty() ? nullptr : previous_.c_str());
}
