#pragma once
#include <windows.h>

#include <string>

// Printers in the test prefix whose output can be read back: Wine's PostScript driver with a
// PPD of the tests' own, and a port that is a file, which Wine's print processor writes the
// job's PostScript to when the document ends. Tests that add printers or change the default
// one hold the ctest lock "printers".

constexpr wchar_t kPaperDriver[] = L"QLX Test PostScript";

// The driver, with its PPD copied into the spooler's driver folder.
HRESULT AddPaperDriver();

// A paper printer for the holder's lifetime, printing into output (a file path whose folder
// may be missing: then every document fails as it ends). Any earlier output is removed first.
class PaperPrinter {
public:
    PaperPrinter(std::wstring name, std::wstring output);
    ~PaperPrinter();
    PaperPrinter(const PaperPrinter&) = delete;
    PaperPrinter& operator=(const PaperPrinter&) = delete;

    HRESULT Result() const { return result_; }
    const std::wstring& Name() const { return name_; }
    const std::wstring& Output() const { return output_; }
    // Removes what was printed so far.
    void ClearOutput() const;

private:
    std::wstring name_;
    std::wstring output_;
    HRESULT result_;
};

// Makes a printer the system's default for the holder's lifetime; the earlier default comes
// back at the end.
class DefaultPrinterScope {
public:
    explicit DefaultPrinterScope(const std::wstring& printer);
    ~DefaultPrinterScope();
    DefaultPrinterScope(const DefaultPrinterScope&) = delete;
    DefaultPrinterScope& operator=(const DefaultPrinterScope&) = delete;

    bool Done() const { return done_; }

private:
    std::wstring previous_;
    bool done_;
};
