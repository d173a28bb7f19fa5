#include "plugin_event_sink.h"

#include <memory>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

namespace {

constexpr DISPID kOnChangeParam = 1;
constexpr DISPID kOnPluginError = 2;
constexpr DISPID kOnPluginProgress = 3;

const TypeLibrarySource kTransportLibrary = {&LIBID_IQLX_TPLUGINLib, 5, 8};
const TypeLibrarySource kFormatLibrary = {&LIBID_IQLX_RPLUGINLib, 5, 4};

HRESULT ArgCount(const DISPPARAMS* params, UINT expected) {
    if (!params)
        return expected == 0 ? S_OK : DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    return params->cArgs == expected ? S_OK : DISP_E_BADPARAMCOUNT;
}

// The argument at a position as a string (DispGetParam coerces and copies).
HRESULT StringArg(DISPPARAMS* params, UINT position, ComBstr* text, UINT* badArgument) {
    ComVariant value;
    HRESULT hr = DispGetParam(params, position, VT_BSTR, &value, badArgument);
    if (FAILED(hr))
        return hr;
    text->Attach(V_BSTR(&value));
    V_VT(&value) = VT_EMPTY;
    return S_OK;
}

// The VARIANT argument as the plug-in passed it (a reference is followed).
const VARIANT* VariantArg(const DISPPARAMS* params, UINT position) {
    const VARIANT* value = &params->rgvarg[params->cArgs - 1 - position];
    if (V_VT(value) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(value))
        return V_VARIANTREF(value);
    return value;
}

} // namespace

REFIID PluginEventSink::EventIid() const {
    return kind_ == PluginEventHandler::Kind::kTransport ? DIID__IQLX_TPlugin_Events
                                                         : DIID__IQLX_RPlugin_Events;
}

void PluginEventSink::Disconnect() noexcept {
    CoDisconnectObject(static_cast<IDispatch*>(this), 0);
}

STDMETHODIMP PluginEventSink::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
        !IsEqualIID(iid, EventIid()))
        return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    return S_OK;
}

HRESULT PluginEventSink::TypeInfo(ITypeInfo** out) noexcept {
    const TypeLibrarySource& source =
        kind_ == PluginEventHandler::Kind::kTransport ? kTransportLibrary : kFormatLibrary;
    return type_info_.Get(source, CurrentModule(), EventIid(), out);
}

STDMETHODIMP PluginEventSink::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    ComPtr<ITypeInfo> info;
    *count = SUCCEEDED(TypeInfo(&info)) ? 1 : 0;
    return S_OK;
}

STDMETHODIMP PluginEventSink::GetTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return TypeInfo(out);
}

STDMETHODIMP PluginEventSink::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> info;
    HRESULT hr = TypeInfo(&info);
    if (FAILED(hr))
        return hr;
    return info->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP PluginEventSink::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* badArgument) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & DISPATCH_METHOD))
        return DISP_E_MEMBERNOTFOUND;
    if (result)
        VariantInit(result);
    // Callers may pass no place for the bad argument's position; DispGetParam writes it anyway.
    UINT unused = 0;
    if (!badArgument)
        badArgument = &unused;
    try {
        return kind_ == PluginEventHandler::Kind::kTransport
                   ? InvokeTransport(id, params, badArgument)
                   : InvokeFormat(id, params, badArgument);
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT PluginEventSink::InvokeTransport(DISPID id, DISPPARAMS* params,
                                         UINT* badArgument) noexcept {
    ComBstr plugin, text;
    switch (id) {
    case kOnChangeParam:
        return InvokeFormat(id, params, badArgument);
    case kOnPluginError: {
        HRESULT hr = ArgCount(params, 2);
        if (SUCCEEDED(hr))
            hr = StringArg(params, 0, std::addressof(plugin), badArgument);
        if (SUCCEEDED(hr))
            hr = StringArg(params, 1, std::addressof(text), badArgument);
        if (SUCCEEDED(hr))
            handler_.OnPluginError(plugin, text);
        return hr;
    }
    case kOnPluginProgress: {
        HRESULT hr = ArgCount(params, 2);
        if (SUCCEEDED(hr))
            hr = StringArg(params, 0, std::addressof(plugin), badArgument);
        ComVariant value;
        if (SUCCEEDED(hr))
            hr = DispGetParam(params, 1, VT_I4, &value, badArgument);
        if (SUCCEEDED(hr))
            handler_.OnPluginProgress(plugin, V_I4(&value));
        return hr;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// OnChangeParam of either kind (the format events have nothing else).
HRESULT PluginEventSink::InvokeFormat(DISPID id, DISPPARAMS* params, UINT* badArgument) noexcept {
    if (id != kOnChangeParam)
        return DISP_E_MEMBERNOTFOUND;
    HRESULT hr = ArgCount(params, 3);
    ComBstr plugin, param;
    if (SUCCEEDED(hr))
        hr = StringArg(params, 0, std::addressof(plugin), badArgument);
    if (SUCCEEDED(hr))
        hr = StringArg(params, 1, std::addressof(param), badArgument);
    if (SUCCEEDED(hr))
        handler_.OnPluginChangeParam(kind_, plugin, param, *VariantArg(params, 2));
    return hr;
}
