#pragma once
#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "com_bstr.h"
#include "com_variant.h"
#include "event_args.h"

// One posted event, waiting in the queue for the events thread. Every record owns copies of
// what it carries, so the poster's strings and VARIANT may go as soon as the post returns.
// The Create functions never throw: a failed copy returns its HRESULT and no record.
class QueuedEvent {
public:
    // An event without arguments, or with the one integer argument of OnPageRendered,
    // OnSavingEvent, OnPageSaving and OnAddRemovePrinter. Null when out of memory.
    static std::unique_ptr<QueuedEvent> Create(DISPID dispid, LONG arg = 0) noexcept;
    static std::unique_ptr<QueuedEvent> CreateStop() noexcept { return Create(0); }

    virtual ~QueuedEvent() = default;
    QueuedEvent(const QueuedEvent&) = delete;
    QueuedEvent& operator=(const QueuedEvent&) = delete;

    DISPID dispid() const { return dispid_; }
    LONG arg() const { return arg_; }
    bool IsStop() const { return dispid_ == 0; }

    // Hands the arguments to the list in declared order; the record is spent afterwards.
    virtual void MoveArgsTo(EventArgs& args) noexcept;

    // Link of the queue this record waits in; owned by that queue.
    QueuedEvent* next = nullptr;

protected:
    QueuedEvent(DISPID dispid, LONG arg) : dispid_(dispid), arg_(arg) {}

private:
    DISPID dispid_;
    LONG arg_;
};

// OnError (text = message, value = code) and OnProgress (text = plug-in name, value = progress).
class QueuedTextEvent : public QueuedEvent {
public:
    static HRESULT Create(DISPID dispid, const wchar_t* text, LONG value,
                          std::unique_ptr<QueuedEvent>* out) noexcept;

    const ComBstr& text() const { return text_; }
    LONG value() const { return value_; }
    void MoveArgsTo(EventArgs& args) noexcept override;

private:
    QueuedTextEvent(DISPID dispid, LONG value) : QueuedEvent(dispid, 0), value_(value) {}

    ComBstr text_;
    LONG value_;
};

// OnSettingChangeFailed (first = target, second = param).
class QueuedTextPairEvent : public QueuedEvent {
public:
    static HRESULT Create(DISPID dispid, const wchar_t* first, const wchar_t* second,
                          std::unique_ptr<QueuedEvent>* out) noexcept;

    const ComBstr& first() const { return first_; }
    const ComBstr& second() const { return second_; }
    void MoveArgsTo(EventArgs& args) noexcept override;

private:
    explicit QueuedTextPairEvent(DISPID dispid) : QueuedEvent(dispid, 0) {}

    ComBstr first_;
    ComBstr second_;
};

// OnSettingChanged (target, param, new value). A value passed by reference is copied as the
// value it refers to.
class QueuedSettingEvent : public QueuedEvent {
public:
    static HRESULT Create(const wchar_t* target, const wchar_t* param, const VARIANT& value,
                          std::unique_ptr<QueuedEvent>* out) noexcept;

    const ComBstr& target() const { return target_; }
    const ComBstr& param() const { return param_; }
    const VARIANT& value() const { return value_; }
    void MoveArgsTo(EventArgs& args) noexcept override;

private:
    QueuedSettingEvent();

    ComBstr target_;
    ComBstr param_;
    ComVariant value_;
};
