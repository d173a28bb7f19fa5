#pragma once
#include <windows.h>
#include <oleauto.h>

class QueuedEvent;

// Where events leave the queue: the engine implements it on top of its connection point by
// calling IDispatch::Invoke (DISPATCH_METHOD, LOCALE_USER_DEFAULT) on every sink with the
// given dispid and arguments, ignoring what the sinks return.
//
// Dispatch is called with no lock of the event code held, either on the events thread or, when
// events are synchronous, on the thread that posted the event; several threads may dispatch at
// the same time. The arguments belong to the caller and are valid only during the call.
class EventDispatcher {
public:
    virtual void Dispatch(DISPID dispid, DISPPARAMS* params) noexcept = 0;

protected:
    ~EventDispatcher() = default;
};

// Builds the record's argument list and dispatches it. The record is spent afterwards.
void FireRecord(QueuedEvent& record, EventDispatcher& dispatcher) noexcept;
