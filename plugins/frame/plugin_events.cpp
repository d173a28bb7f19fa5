#include "plugin_events.h"

#include "com_variant.h"

namespace plugin_events {
namespace {

HRESULT SetString(VARIANT* slot, const wchar_t* text) {
    slot->bstrVal = SysAllocString(text ? text : L"");
    if (!slot->bstrVal)
        return E_OUTOFMEMORY;
    slot->vt = VT_BSTR;
    return S_OK;
}

template <size_t N> HRESULT Fire(ConnectionPoint& point, DISPID dispid, ComVariant (&args)[N]) {
    DISPPARAMS params = {args, nullptr, static_cast<UINT>(N), 0};
    point.FireDispatch(dispid, &params);
    return S_OK;
}

} // namespace

HRESULT FireChangeParam(ConnectionPoint& point, const wchar_t* plugin, const wchar_t* param,
                        const VARIANT& value) noexcept {
    ComVariant args[3];
    if (FAILED(args[0].CopyFrom(&value)) || FAILED(SetString(&args[1], param)) ||
        FAILED(SetString(&args[2], plugin)))
        return E_OUTOFMEMORY;
    return Fire(point, kOnChangeParam, args);
}

HRESULT FireError(ConnectionPoint& point, const wchar_t* plugin, const wchar_t* message) noexcept {
    ComVariant args[2];
    if (FAILED(SetString(&args[0], message)) || FAILED(SetString(&args[1], plugin)))
        return E_OUTOFMEMORY;
    return Fire(point, kOnError, args);
}

HRESULT FireProgress(ConnectionPoint& point, const wchar_t* plugin, long percent) noexcept {
    ComVariant args[2];
    args[0].vt = VT_I4;
    args[0].lVal = percent;
    if (FAILED(SetString(&args[1], plugin)))
        return E_OUTOFMEMORY;
    return Fire(point, kOnProgress, args);
}

} // namespace plugin_events
