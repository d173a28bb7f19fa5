#pragma once
#include <windows.h>
#include <oleauto.h>

#include "com_bstr.h"
#include "com_variant.h"

// The argument list of one event as IDispatch::Invoke takes it: added in declared order,
// held in reverse (rgvarg[0] is the last argument). Owns every string and VARIANT in it.
class EventArgs {
public:
    static constexpr UINT kMaxArgs = 3;

    EventArgs() = default;
    EventArgs(const EventArgs&) = delete;
    EventArgs& operator=(const EventArgs&) = delete;

    // Each adds the next argument; false (nothing added) when the list is full.
    bool AddLong(long value) noexcept;
    // The string's ownership moves into the list; a null string stands for "".
    bool AdoptString(ComBstr& text) noexcept;
    // The value moves into the list; the source is left empty.
    bool AdoptVariant(ComVariant& value) noexcept;

    UINT Count() const { return count_; }
    // Points into the list; valid while the list lives and is not added to.
    DISPPARAMS* Params() noexcept;

private:
    VARIANT* NextSlot() noexcept;

    ComVariant slots_[kMaxArgs];
    UINT count_ = 0;
    DISPPARAMS params_{};
};
