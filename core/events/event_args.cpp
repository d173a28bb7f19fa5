#include "event_args.h"

static_assert(sizeof(ComVariant) == sizeof(VARIANT), "slots must be laid out as a VARIANT array");

VARIANT* EventArgs::NextSlot() noexcept {
    if (count_ == kMaxArgs)
        return nullptr;
    // Filled from the back, so the slots from kMaxArgs - count_ on are already reversed.
    ++count_;
    return &slots_[kMaxArgs - count_];
}

bool EventArgs::AddLong(long value) noexcept {
    VARIANT* slot = NextSlot();
    if (!slot)
        return false;
    slot->vt = VT_I4;
    slot->lVal = value;
    return true;
}

bool EventArgs::AdoptString(ComBstr& text) noexcept {
    VARIANT* slot = NextSlot();
    if (!slot)
        return false;
    slot->vt = VT_BSTR;
    slot->bstrVal = text.Detach();
    return true;
}

bool EventArgs::AdoptVariant(ComVariant& value) noexcept {
    VARIANT* slot = NextSlot();
    if (!slot)
        return false;
    value.Detach(slot);
    return true;
}

DISPPARAMS* EventArgs::Params() noexcept {
    params_.rgvarg = count_ ? &slots_[kMaxArgs - count_] : nullptr;
    params_.cArgs = count_;
    params_.rgdispidNamedArgs = nullptr;
    params_.cNamedArgs = 0;
    return &params_;
}
