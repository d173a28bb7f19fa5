#include "variant_param.h"

#include <cstring>
#include <new>

#include "com_safearray.h"
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

HRESULT BytesFromVariant(const VARIANT& value, std::vector<unsigned char>* out) noexcept {
    if ((value.vt & ~VT_BYREF) != (VT_ARRAY | VT_UI1))
        return E_INVALIDARG;
    SAFEARRAY* array =
        (value.vt & VT_BYREF) ? (value.pparray ? *value.pparray : nullptr) : value.parray;
    try {
        if (!array) {
            out->clear();
            return S_OK;
        }
        LONG low = 0, high = -1;
        if (SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1 ||
            FAILED(SafeArrayGetLBound(array, 1, &low)) ||
            FAILED(SafeArrayGetUBound(array, 1, &high)))
            return E_INVALIDARG;
        const size_t count = high >= low ? static_cast<size_t>(high - low) + 1 : 0;
        std::vector<unsigned char> bytes(count);
        if (count > 0) {
            SafeArrayAccess data(array);
            if (!data)
                return E_INVALIDARG;
            std::memcpy(bytes.data(), data.Data(), count);
        }
        out->swap(bytes);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT BytesToVariant(const std::vector<unsigned char>& value, VARIANT* out) noexcept {
    ComSafeArray array;
    if (!array.Create(VT_UI1, static_cast<ULONG>(value.size())))
        return E_OUTOFMEMORY;
    if (!value.empty()) {
        SafeArrayAccess data(array.Get());
        if (!data)
            return E_OUTOFMEMORY;
        std::memcpy(data.Data(), value.data(), value.size());
    }
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array.Detach();
    return S_OK;
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
