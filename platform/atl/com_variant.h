#pragma once
#include <windows.h>
#include <oleauto.h>

// A VARIANT cleared when the holder goes.
class ComVariant : public VARIANT {
public:
    ComVariant() { VariantInit(this); }
    explicit ComVariant(long value)
    {
        VariantInit(this);
        vt = VT_I4;
        lVal = value;
    }
    explicit ComVariant(const wchar_t* text)
    {
        VariantInit(this);
        bstrVal = SysAllocString(text ? text : L"");
        vt = bstrVal ? VT_BSTR : VT_EMPTY;
    }
    ComVariant(const ComVariant& other)
    {
        VariantInit(this);
        VariantCopy(this, const_cast<ComVariant*>(&other));
    }
    ComVariant& operator=(const ComVariant& other)
    {
        if (this != &other)
            VariantCopy(this, const_cast<ComVariant*>(&other));
        return *this;
    }
    ~ComVariant() { VariantClear(this); }

    HRESULT Clear() { return VariantClear(this); }
    HRESULT CopyFrom(const VARIANT* source) { return VariantCopy(this, const_cast<VARIANT*>(source)); }
    // Gives the value to an [out] VARIANT, leaving this one empty.
    HRESULT Detach(VARIANT* out)
    {
        if (!out)
            return E_POINTER;
        *out = *static_cast<VARIANT*>(this);
        VariantInit(this);
        return S_OK;
    }
    // In place conversion; unchanged on failure.
    HRESULT ChangeType(VARTYPE type)
    {
        return VariantChangeType(this, this, 0, type);
    }
};
