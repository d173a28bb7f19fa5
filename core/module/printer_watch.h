#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Where the watchers read the printers (the spooler; a fake in tests).
class PrinterSource {
public:
    // S_OK with the name; S_FALSE with an empty name when no default printer is set.
    virtual HRESULT DefaultPrinter(std::wstring* name) = 0;
    // The names of the local and connected printers.
    virtual HRESULT PrinterNames(std::vector<std::wstring>* names) = 0;

protected:
    ~PrinterSource() = default;
};

// The engine as the watchers reach it: a COM client of the server's own class, holding the
// engine only during each call (a fake in tests).
class PrinterChangeSink {
public:
    virtual HRESULT AddRemovePrinter() = 0;
    virtual HRESULT DefaultPrinterChanged(const wchar_t* name) = 0;

protected:
    ~PrinterChangeSink() = default;
};

// Follows the system default printer from poll to poll. A change is reported once the engine
// took it: a failed read or a failed call is logged and tried again at the next poll, so one
// failure never ends the tracking.
class DefaultPrinterTracker {
public:
    // Takes the current name as the starting point (nothing is reported).
    void Start(PrinterSource& source);
    void Poll(PrinterSource& source, PrinterChangeSink& engine);

private:
    bool known_ = false;
    std::wstring last_;
};

// Stands in for the spooler's change notification where it has none: compares the printer
// names from poll to poll and tells the engine when they differ, with the same retry rule.
class PrinterListTracker {
public:
    void Start(PrinterSource& source);
    void Poll(PrinterSource& source, PrinterChangeSink& engine);

private:
    bool known_ = false;
    std::vector<std::wstring> last_; // sorted
};

// The spooler of this machine.
class SpoolerPrinters final : public PrinterSource {
public:
    HRESULT DefaultPrinter(std::wstring* name) override;
    HRESULT PrinterNames(std::vector<std::wstring>* names) override;
};
