#pragma once
#include <windows.h>
#include <oaidl.h>

#include "type_library.h"

// Where the engine's plug-in event sinks deliver. Called on the plug-in's calling thread, with
// arguments borrowed for the call.
class PluginEventHandler {
public:
    enum class Kind { kTransport, kFormat };

    virtual void OnPluginChangeParam(Kind kind, BSTR plugin, BSTR param,
                                     const VARIANT& value) noexcept = 0;
    virtual void OnPluginError(BSTR plugin, BSTR message) noexcept = 0;
    virtual void OnPluginProgress(BSTR plugin, long value) noexcept = 0;

protected:
    ~PluginEventHandler() = default;
};

// The engine's sink for one kind of plug-in events (_IQLX_TPlugin_Events or
// _IQLX_RPlugin_Events), advised to every loaded plug-in of that kind. It is a part of the
// engine and lives exactly as long: its reference count holds nothing, and the engine cuts off
// remote callers (Disconnect) before it goes.
//
// Names and type information come from the plug-in type library; the events themselves are
// taken apart by position and coerced to the declared types, so a plug-in that passes a
// number as a VARIANT of another integer type still reaches the handler.
class PluginEventSink final : public IDispatch {
public:
    PluginEventSink(PluginEventHandler::Kind kind, PluginEventHandler& handler) noexcept
        : kind_(kind), handler_(handler) {}
    PluginEventSink(const PluginEventSink&) = delete;
    PluginEventSink& operator=(const PluginEventSink&) = delete;

    REFIID EventIid() const;
    // Ends every remote connection to the sink (engine destruction).
    void Disconnect() noexcept;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* badArgument) override;

private:
    HRESULT TypeInfo(ITypeInfo** out) noexcept;
    HRESULT InvokeTransport(DISPID id, DISPPARAMS* params, UINT* badArgument) noexcept;
    HRESULT InvokeFormat(DISPID id, DISPPARAMS* params, UINT* badArgument) noexcept;

    const PluginEventHandler::Kind kind_;
    PluginEventHandler& handler_;
    TypeInfoHolder type_info_;
};
