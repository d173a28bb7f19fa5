#include "variant_param.h"

#include <new>

#include "com_variant.h"

namespace {

// Types a parameter can be converted from: plain values, also by reference.
bool IsConvertible(VARTYPE type) {
    const VARTYPE base = type & ~VT_BYREF;
    if (type & VT_ARRAY)
        return false;
    switch (base) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_RECORD:
    case VT_VARIANT:
    case VT_NULL:
        return false;
    default:
        return true;
    }
}

HRESULT Converted(const VARIANT& value, VARTYPE type, ComVariant* out) {
    if (!IsConvertible(value.vt))
        return E_INVALIDARG;
    HRESULT hr = VariantChangeType(out, const_cast<VARIANT*>(&value), 0, type);
    if (hr == E_OUTOFMEMORY)
        return hr;
    return SUCCEEDED(hr) && out->vt == type ? S_OK : E_INVALIDARG;
}

} // namespace

HRESULT LongFromVariant(const VARIANT& value, long* out) noexcept {
    if (value.vt == VT_I4) {
        *out = value.lVal;
        return S_OK;
    }
    ComVariant converted;
    HRESULT hr = Converted(value, VT_I4, &converted);
    if (FAILED(hr))
        return hr;
    *out = converted.lVal;
    return S_OK;
}

HRESULT StringFromVariant(const VARIANT& value, std::wstring* out) noexcept {
    try {
        if (value.vt == VT_BSTR) {
            out->assign(value.bstrVal ? value.bstrVal : L"", SysStringLen(value.bstrVal));
            return S_OK;
        }
        ComVariant converted;
        HRESULT hr = Converted(value, VT_BSTR, &converted);
        if (FAILED(hr))
            return hr;
        out->assign(converted.bstrVal ? converted.bstrVal : L"", SysStringLen(converted.bstrVal));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT LongToVariant(long value, VARIANT* out) noexcept {
    out->vt = VT_I4;
    out->lVal = value;
    return S_OK;
}

HRESULT StringToVariant(const std::wstring& value, VARIANT* out) noexcept {
    BSTR copy = nullptr;
    HRESULT hr = StringToBstr(value, &copy);
    if (FAILED(hr))
        return hr;
    out->vt = VT_BSTR;
    out->bstrVal = copy;
    return S_OK;
}

HRESULT StringToBstr(const std::wstring& value, BSTR* out) noexcept {
    *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}
