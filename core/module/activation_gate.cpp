#include "activation_gate.h"

bool ActivationGate::BeginActivation() noexcept {
    SrwGuard guard(lock_);
    if (closed_)
        return false;
    ++activations_;
    activity_ = true;
    return true;
}

void ActivationGate::EndActivation() noexcept {
    SrwGuard guard(lock_);
    --activations_;
}

void ActivationGate::NoteActivity() noexcept {
    SrwGuard guard(lock_);
    activity_ = true;
}

void ActivationGate::ClearActivity() noexcept {
    SrwGuard guard(lock_);
    activity_ = false;
}

bool ActivationGate::Activity() noexcept {
    SrwGuard guard(lock_);
    return activity_;
}

bool ActivationGate::CloseIfIdle(LiveCount liveObjects) noexcept {
    SrwGuard guard(lock_);
    if (!closed_ && activations_ == 0 && !activity_ && liveObjects() == 0)
        closed_ = true;
    return closed_;
}

void ActivationGate::Close() noexcept {
    SrwGuard guard(lock_);
    closed_ = true;
}

bool ActivationGate::Closed() noexcept {
    SrwGuard guard(lock_);
    return closed_;
}

STDMETHODIMP GatedClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    HRESULT hr = CheckCreateArguments(outer, out);
    if (FAILED(hr))
        return hr;
    if (!gate_.BeginActivation())
        return CO_E_SERVER_STOPPING;
    hr = inner_.CreateInstance(outer, iid, out);
    gate_.EndActivation();
    return hr;
}
