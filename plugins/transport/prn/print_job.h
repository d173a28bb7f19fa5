#pragma once
#include <windows.h>

#include <string>

#include "gdi_object.h"
#include "printer_catalog.h"

// The font a job prints in, from the transport's parameters.
struct JobFont {
    std::wstring face;
    long charset = DEFAULT_CHARSET;
    long weight = FW_NORMAL;
    long height = 10; // points
    long italic = 0;
    long strikeout = 0;
    long underline = 0;
};

// One print document on a printer: made by StartJob, printed by Send, ended by EndJob. The
// steps are the caller's, each reporting whether it worked. A document that was started and
// not ended is aborted when the job goes, so that no failure or cancel leaves it open in the
// spooler; the font goes back out of the context before either is deleted.
class PrintJob {
public:
    explicit PrintJob(std::wstring device) : device_(std::move(device)) {}
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    const std::wstring& Device() const { return device_; }

    // The printer's context with the driver settings, or the driver's defaults for none.
    bool CreateContext(const DEVMODEW* settings);
    // The abort procedure runs the calling thread's messages while GDI prints.
    bool InstallAbortProc();
    void UseTextMapping();
    // The font, made and selected; false when it cannot be made (the printer's own font stays).
    bool SelectFont(const JobFont& font);
    // The drawing rectangle (the printable area less the physical offset on every side), then
    // the document.
    bool StartDocument();

    enum class PageFailure { kNone, kStartPage, kEndPage };
    // One sheet: the text drawn in the rectangle, broken only at its line ends and cut off at
    // the rectangle's edges.
    PageFailure PrintPage(const wchar_t* text, int length);

    // EndDoc; the document counts as closed whatever the result.
    bool EndDocument();
    void AbortDocument();
    bool DocumentOpen() const { return documentOpen_; }

private:
    static BOOL CALLBACK AbortProc(HDC dc, int error);

    std::wstring device_;
    PrinterDc dc_;
    GdiObject<HFONT> font_;
    HGDIOBJ previousFont_ = nullptr;
    RECT area_{};
    bool documentOpen_ = false;
};
