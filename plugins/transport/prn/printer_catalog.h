#pragma once
#include <windows.h>

#include <string>
#include <vector>

// What the settings page offers: the machine's printers and the fonts of one printer.

// The local and connected printers' names, in the spooler's order; none when the enumeration
// fails.
std::vector<std::wstring> ListPrinters();

// A printer's device context for reading its fonts or printing; deleted when the holder goes.
class PrinterDc {
public:
    PrinterDc() = default;
    PrinterDc(const std::wstring& device, const DEVMODEW* settings) { Open(device, settings); }
    ~PrinterDc() { Reset(); }
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;

    // The printer's context with the driver settings given, or its defaults for none.
    bool Open(const std::wstring& device, const DEVMODEW* settings) noexcept;
    void Reset() noexcept;
    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// The distinct face names of a printer's fonts (exact comparison), in the order the
// enumeration gives them; none when there is no device context for the printer.
std::vector<std::wstring> ListFontFaces(const std::wstring& device);

struct CharsetChoice {
    std::wstring name; // the script name the enumeration reports
    long value;        // the LOGFONT character set
};
// The distinct character sets of one face on a printer, in enumeration order.
std::vector<CharsetChoice> ListFontCharsets(const std::wstring& device, const std::wstring& face);
