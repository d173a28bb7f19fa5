#include "unc_printers.h"

namespace {

std::wstring UncEventName(const std::wstring& prefix) {
    return prefix + L"_UNCPrinterEvent";
}

} // namespace

bool UncPrinters::IsUncName(const wchar_t* device) {
    return device && device[0] == L'\\' && device[1] == L'\\';
}

// Under the lock.
bool UncPrinters::HoldEvent(const std::wstring& prefix, bool create) {
    if (event_)
        return true;
    const std::wstring name = UncEventName(prefix);
    event_ = OpenEventW(EVENT_ALL_ACCESS, FALSE, name.c_str());
    if (!event_ && create) {
        event_ = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
        created_ = event_ != nullptr;
    }
    return event_ != nullptr;
}

// Under the lock. A handle seen again takes its entry back; otherwise the oldest goes.
void UncPrinters::Remember(HANDLE printer, bool unc) {
    for (Entry& entry : entries_) {
        if (entry.used && entry.printer == printer) {
            entry.unc = unc;
            return;
        }
    }
    entries_[next_] = {printer, true, unc};
    next_ = (next_ + 1) % kRemembered;
}

void UncPrinters::NoteDeviceContext(HANDLE printer, const wchar_t* device,
                                    const std::wstring& prefix) {
    const bool unc = IsUncName(device);
    CriticalSectionLock hold(lock_);
    Remember(printer, unc);
    if (!HoldEvent(prefix, true))
        return;
    if (unc)
        SetEvent(event_);
    else
        ResetEvent(event_);
}

bool UncPrinters::IsUnc(HANDLE printer, const std::wstring& prefix) {
    CriticalSectionLock hold(lock_);
    for (const Entry& entry : entries_) {
        if (entry.used && entry.printer == printer)
            return entry.unc;
    }
    return HoldEvent(prefix, false) && WaitForSingleObject(event_, 0) == WAIT_OBJECT_0;
}

void UncPrinters::Detach() {
    CriticalSectionLock hold(lock_);
    if (event_ && !created_) {
        CloseHandle(event_);
        event_ = nullptr;
    }
}
