#pragma once
#include <windows.h>

#include <string>

#include "critical_section.h"
#include "handle.h"

// Whether the printer of a document is reached by a UNC name, in which case no relay is
// started. The answer is noted when the document's device context is created and looked up by
// the printer handle that its start of document carries, so that a device context created
// meanwhile for another printer (on another thread) does not decide for it. The named event
// "%s_UNCPrinterEvent" still tells the last printer's kind, and answers for a printer handle
// that was never noted.
class UncPrinters {
public:
    UncPrinters() = default;
    ~UncPrinters() = default;
    UncPrinters(const UncPrinters&) = delete;
    UncPrinters& operator=(const UncPrinters&) = delete;

    // A device context for this printer (device) name is about to be created.
    void NoteDeviceContext(HANDLE printer, const wchar_t* device, const std::wstring& prefix);
    // Whether a document on this printer goes to a UNC printer.
    bool IsUnc(HANDLE printer, const std::wstring& prefix);
    // At unload: closes the event unless this module made it (then it lives with the process,
    // so that the state is kept for a module loaded again).
    void Detach();

    static bool IsUncName(const wchar_t* device);

private:
    static constexpr size_t kRemembered = 16;
    struct Entry {
        HANDLE printer = nullptr;
        bool used = false;
        bool unc = false;
    };

    bool HoldEvent(const std::wstring& prefix, bool create);
    void Remember(HANDLE printer, bool unc);

    CriticalSection lock_;
    HANDLE event_ = nullptr;
    bool created_ = false;
    Entry entries_[kRemembered];
    size_t next_ = 0;
};
