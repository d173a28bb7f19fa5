#include "event_poster.h"

#include "event_dispids.h"
#include "log.h"

void EventPoster::SetAsyncEvents(bool on) noexcept {
    CriticalSectionLock hold(listeners_lock_);
    InterlockedExchange(&async_, on ? 1 : 0);
    if (on && Listeners() > 0)
        StartThreadLocked();
}

LONG EventPoster::AddListener() noexcept {
    CriticalSectionLock hold(listeners_lock_);
    LONG count = InterlockedIncrement(&listeners_);
    if (AsyncEvents())
        StartThreadLocked();
    return count;
}

LONG EventPoster::RemoveListener() noexcept {
    CriticalSectionLock hold(listeners_lock_);
    LONG count = Listeners();
    if (count == 0)
        return 0;
    count = InterlockedDecrement(&listeners_);
    if (count == 0)
        owner_.Stop();
    return count;
}

void EventPoster::StartThreadLocked() noexcept {
    HRESULT hr = owner_.Start();
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CKW::StartEventsThread Thread creation failed", hr);
        InterlockedExchange(&async_, 0);
    }
}

void EventPoster::Deliver(DISPID dispid, HRESULT made,
                          std::unique_ptr<QueuedEvent> record) noexcept {
    if (FAILED(made) || !record) {
        if (LogErrorsOn())
            LogLine(L"%lc %ls %ls %d 0x%08lx", L'C', kLogError, L"Event dropped, copy failed:",
                    static_cast<int>(dispid),
                    static_cast<unsigned long>(FAILED(made) ? made : E_OUTOFMEMORY));
        return;
    }
    // The innermost deferral of this poster on the thread holds the record.
    for (Deferral* deferral = CurrentDeferral(); deferral; deferral = deferral->outer_) {
        if (&deferral->poster_ != this)
            continue;
        try {
            deferral->held_.push_back(std::move(record));
            return;
        } catch (...) {
            break; // no room to hold it: delivered now rather than lost
        }
    }
    DeliverNow(std::move(record));
}

void EventPoster::DeliverNow(std::unique_ptr<QueuedEvent> record) noexcept {
    if (AsyncEvents()) {
        owner_.Push(std::move(record)); // without a listener the event is lost, as intended
        return;
    }
    // Turned off at a restart while the events thread still has its listeners: it keeps
    // taking events until it stops, or it would be overtaken by those fired directly.
    if (owner_.PushIfRunning(record))
        return;
    FireRecord(*record, dispatcher_);
}

EventPoster::Deferral*& EventPoster::CurrentDeferral() noexcept {
    static thread_local Deferral* current = nullptr;
    return current;
}

EventPoster::Deferral::Deferral(EventPoster& poster) noexcept
    : poster_(poster), outer_(CurrentDeferral()) {
    CurrentDeferral() = this;
}

EventPoster::Deferral::~Deferral() {
    CurrentDeferral() = outer_;
    std::vector<std::unique_ptr<QueuedEvent>> held;
    held.swap(held_);
    // An outer deferral of the same poster takes them over; otherwise they go out now.
    for (std::unique_ptr<QueuedEvent>& record : held) {
        const DISPID dispid = record->dispid();
        poster_.Deliver(dispid, S_OK, std::move(record));
    }
}

void EventPoster::PostSimple(DISPID dispid, LONG arg) noexcept {
    Deliver(dispid, S_OK, QueuedEvent::Create(dispid, arg));
}

void EventPoster::PostOnStartJob() noexcept {
    PostSimple(kOnStartJob);
}
void EventPoster::PostOnPageRendered(long page) noexcept {
    PostSimple(kOnPageRendered, page);
}
void EventPoster::PostOnAllPagesRendered() noexcept {
    PostSimple(kOnAllPagesRendered);
}
void EventPoster::PostOnUnload() noexcept {
    PostSimple(kOnUnload);
}
void EventPoster::PostOnCancelJob() noexcept {
    PostSimple(kOnCancelJob);
}
void EventPoster::PostOnSavingEvent(long event) noexcept {
    PostSimple(kOnSavingEvent, event);
}
void EventPoster::PostOnPageSaving(long page) noexcept {
    PostSimple(kOnPageSaving, page);
}
void EventPoster::PostOnAddRemovePrinter(long printerEvent) noexcept {
    PostSimple(kOnAddRemovePrinter, printerEvent);
}

void EventPoster::PostOnError(long code, const wchar_t* message) noexcept {
    std::unique_ptr<QueuedEvent> record;
    HRESULT hr = QueuedTextEvent::Create(kOnError, message, code, &record);
    Deliver(kOnError, hr, std::move(record));
}

void EventPoster::PostOnProgress(const wchar_t* pluginName, long value) noexcept {
    std::unique_ptr<QueuedEvent> record;
    HRESULT hr = QueuedTextEvent::Create(kOnProgress, pluginName, value, &record);
    Deliver(kOnProgress, hr, std::move(record));
}

void EventPoster::PostOnSettingChanged(const wchar_t* target, const wchar_t* param,
                                       const VARIANT& newVal) noexcept {
    std::unique_ptr<QueuedEvent> record;
    HRESULT hr = QueuedSettingEvent::Create(target, param, newVal, &record);
    Deliver(kOnSettingChanged, hr, std::move(record));
}

void EventPoster::PostOnSettingChangeFailed(const wchar_t* target, const wchar_t* param) noexcept {
    std::unique_ptr<QueuedEvent> record;
    HRESULT hr = QueuedTextPairEvent::Create(kOnSettingChangeFailed, target, param, &record);
    Deliver(kOnSettingChangeFailed, hr, std::move(record));
}
