#include "string_enumerator.h"

#include <new>

STDMETHODIMP CStringEnumerator::Next(ULONG count, VARIANT* items, ULONG* fetched) {
    if (fetched)
        *fetched = 0;
    if (!items)
        return E_POINTER;
    if (count > 1 && !fetched)
        return E_INVALIDARG;
    SrwGuard guard(lock_);
    ULONG given = 0;
    for (; given < count && position_ < items_.size(); ++given, ++position_) {
        const std::wstring& item = items_[position_];
        BSTR copy = SysAllocStringLen(item.data(), static_cast<UINT>(item.size()));
        if (!copy) {
            for (ULONG i = 0; i < given; ++i)
                VariantClear(&items[i]);
            position_ -= given;
            return E_OUTOFMEMORY;
        }
        VariantInit(&items[given]);
        items[given].vt = VT_BSTR;
        items[given].bstrVal = copy;
    }
    if (fetched)
        *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP CStringEnumerator::Skip(ULONG count) {
    SrwGuard guard(lock_);
    const size_t left = items_.size() - position_;
    if (count > left) {
        position_ = items_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

STDMETHODIMP CStringEnumerator::Reset() {
    SrwGuard guard(lock_);
    position_ = 0;
    return S_OK;
}

STDMETHODIMP CStringEnumerator::Clone(IEnumVARIANT** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    std::vector<std::wstring> copy;
    size_t position;
    try {
        SrwGuard guard(lock_);
        copy = items_;
        position = position_;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return ComObject<CStringEnumerator>::Create(IID_IEnumVARIANT, reinterpret_cast<void**>(out),
                                                std::move(copy), position);
}
