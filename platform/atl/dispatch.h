#pragma once
#include <windows.h>
#include <oaidl.h>

#include "type_library.h"

// IDispatch of a dual interface through its type information (ITypeInfo::Invoke). Derived
// names the class, which gives the library through a static TypeLibrary(); the module for an
// embedded library is the one this code is linked into.
template <class Derived, class Itf> class DispatchImpl : public Itf {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (index != 0)
            return DISP_E_BADINDEX;
        return TypeInfo(out);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = TypeInfo(&info);
        if (FAILED(hr))
            return hr;
        return info->GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = TypeInfo(&info);
        if (FAILED(hr))
            return hr;
        return info->Invoke(static_cast<Itf*>(this), id, flags, params, result, exception,
                            badArgument);
    }

protected:
    ~DispatchImpl() = default;

private:
    static HRESULT TypeInfo(ITypeInfo** out) noexcept {
        static TypeInfoHolder holder;
        return holder.Get(Derived::TypeLibrary(), CurrentModule(), __uuidof(Itf), out);
    }
};
