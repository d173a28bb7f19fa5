#include "queued_event.h"

#include <new>

#include "com_result.h"
#include "event_dispids.h"

namespace {

// A null text is passed on as "", which every listener reads as an empty string.
HRESULT CopyText(const wchar_t* text, ComBstr& copy) noexcept {
    copy.Attach(SysAllocString(text ? text : L""));
    return copy.Get() ? S_OK : E_OUTOFMEMORY;
}

bool HasIntegerArg(DISPID dispid) {
    return dispid == kOnPageRendered || dispid == kOnSavingEvent || dispid == kOnPageSaving ||
           dispid == kOnAddRemovePrinter;
}

} // namespace

std::unique_ptr<QueuedEvent> QueuedEvent::Create(DISPID dispid, LONG arg) noexcept {
    return std::unique_ptr<QueuedEvent>(new (std::nothrow) QueuedEvent(dispid, arg));
}

void QueuedEvent::MoveArgsTo(EventArgs& args) noexcept {
    if (HasIntegerArg(dispid_))
        args.AddLong(arg_);
}

HRESULT QueuedTextEvent::Create(DISPID dispid, const wchar_t* text, LONG value,
                                std::unique_ptr<QueuedEvent>* out) noexcept {
    out->reset();
    std::unique_ptr<QueuedTextEvent> record(new (std::nothrow) QueuedTextEvent(dispid, value));
    if (!record)
        return E_OUTOFMEMORY;
    RETURN_IF_FAILED(CopyText(text, record->text_));
    *out = std::move(record);
    return S_OK;
}

void QueuedTextEvent::MoveArgsTo(EventArgs& args) noexcept {
    if (dispid() == kOnError) { // OnError(error_code, message)
        args.AddLong(value_);
        args.AdoptString(text_);
    } else { // OnProgress(plugin_name, value)
        args.AdoptString(text_);
        args.AddLong(value_);
    }
}

HRESULT QueuedTextPairEvent::Create(DISPID dispid, const wchar_t* first, const wchar_t* second,
                                    std::unique_ptr<QueuedEvent>* out) noexcept {
    out->reset();
    std::unique_ptr<QueuedTextPairEvent> record(new (std::nothrow) QueuedTextPairEvent(dispid));
    if (!record)
        return E_OUTOFMEMORY;
    RETURN_IF_FAILED(CopyText(first, record->first_));
    RETURN_IF_FAILED(CopyText(second, record->second_));
    *out = std::move(record);
    return S_OK;
}

void QueuedTextPairEvent::MoveArgsTo(EventArgs& args) noexcept {
    args.AdoptString(first_);
    args.AdoptString(second_);
}

QueuedSettingEvent::QueuedSettingEvent() : QueuedEvent(kOnSettingChanged, 0) {}

HRESULT QueuedSettingEvent::Create(const wchar_t* target, const wchar_t* param,
                                   const VARIANT& value,
                                   std::unique_ptr<QueuedEvent>* out) noexcept {
    out->reset();
    std::unique_ptr<QueuedSettingEvent> record(new (std::nothrow) QueuedSettingEvent());
    if (!record)
        return E_OUTOFMEMORY;
    RETURN_IF_FAILED(CopyText(target, record->target_));
    RETURN_IF_FAILED(CopyText(param, record->param_));
    // By value: a reference would point into the poster's memory, gone when the event fires.
    RETURN_IF_FAILED(VariantCopyInd(&record->value_, const_cast<VARIANT*>(&value)));
    *out = std::move(record);
    return S_OK;
}

void QueuedSettingEvent::MoveArgsTo(EventArgs& args) noexcept {
    args.AdoptString(target_);
    args.AdoptString(param_);
    args.AdoptVariant(value_);
}
