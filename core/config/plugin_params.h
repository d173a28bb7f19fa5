#pragma once
#include <windows.h>
#include <oleauto.h>

// The store's view of one plug-in's parameters. The core adapts the transport and format
// plug-in interfaces to it; the adapter lives for one store operation only.
class PluginParams {
public:
    // value is borrowed: the plug-in copies what it keeps.
    virtual HRESULT PutParam(BSTR name, const VARIANT& value) = 0;
    // value is initialised by the caller and owned by it afterwards.
    virtual HRESULT GetParam(BSTR name, VARIANT* value) = 0;
    // Refreshes the plug-in's settings page from its values.
    virtual HRESULT UpdateUI() = 0;
    // Back to the plug-in's own defaults.
    virtual HRESULT ResetParams() = 0;

protected:
    ~PluginParams() = default;
};
