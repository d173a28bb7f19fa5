#pragma once
#include <windows.h>

#include "class_factory.h"
#include "srw_lock.h"

// Decides between a new activation and the end of the server under one lock, so that no
// client is handed an object by a server that has decided to end: once closed, every
// activation is refused; while an activation is under way, the server does not close.
class ActivationGate {
public:
    using LiveCount = LONG (*)();

    // False when the server is ending (the activation must be refused).
    bool BeginActivation() noexcept;
    void EndActivation() noexcept;

    // Activity: an activation, or the last object let go. Cleared when an idle wait starts.
    void NoteActivity() noexcept;
    void ClearActivity() noexcept;
    bool Activity() noexcept;

    // Closes when no activation is under way, nothing happened since ClearActivity and no
    // object lives (liveObjects() == 0). True when the gate is closed now.
    bool CloseIfIdle(LiveCount liveObjects) noexcept;
    // Closes whatever runs (a shutdown request).
    void Close() noexcept;
    bool Closed() noexcept;

private:
    SrwLock lock_;
    LONG activations_ = 0;
    bool activity_ = false;
    bool closed_ = false;
};

// The class object the server registers: passes each activation through the gate to the
// program's own class object. A refused activation gets CO_E_SERVER_STOPPING, which tells COM
// to start a new server.
class GatedClassFactory final : public StaticClassFactory {
public:
    GatedClassFactory(StaticClassFactory& inner, ActivationGate& gate) noexcept
        : inner_(inner), gate_(gate) {}
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;

private:
    StaticClassFactory& inner_;
    ActivationGate& gate_;
};
