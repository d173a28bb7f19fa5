#pragma once
#include <windows.h>
#include <oleauto.h>

#include <memory>

#include "com_safearray.h"
#include "com_variant.h"
#include "qlx_tplugin.h"

// One page of the core's collection as bytes, held (and its data accessed) for as long as the
// holder lives.
class RenderedPage {
public:
    enum class Result {
        kOk,
        kNoPage, // Item failed or gave something other than a one-dimensional byte array
        kNoData, // a byte array with elements but no data
    };

    Result Load(IRenderedCollection* pages, long index) noexcept;
    const BYTE* Data() const { return data_; }
    ULONG Size() const { return size_; }

private:
    ComVariant value_;
    // Declared after the value, so that access ends before the array goes.
    std::unique_ptr<SafeArrayAccess> access_;
    const BYTE* data_ = nullptr;
    ULONG size_ = 0;
};
