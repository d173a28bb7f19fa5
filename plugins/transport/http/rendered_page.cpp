#include "rendered_page.h"

#include <new>

RenderedPage::Result RenderedPage::Load(IRenderedCollection* pages, long index) noexcept {
    if (FAILED(pages->Item(index, &value_)) || value_.vt != (VT_ARRAY | VT_UI1) || !value_.parray ||
        SafeArrayGetDim(value_.parray) != 1)
        return Result::kNoPage;
    LONG low = 0, high = -1;
    if (FAILED(SafeArrayGetLBound(value_.parray, 1, &low)) ||
        FAILED(SafeArrayGetUBound(value_.parray, 1, &high)))
        return Result::kNoPage;
    size_ = high >= low ? static_cast<ULONG>(high - low + 1) : 0;
    // An empty page is a page: its array may have no data at all.
    if (size_ == 0)
        return Result::kOk;
    access_.reset(new (std::nothrow) SafeArrayAccess(value_.parray));
    if (!access_ || !*access_)
        return Result::kNoData;
    data_ = static_cast<const BYTE*>(access_->Data());
    return Result::kOk;
}
