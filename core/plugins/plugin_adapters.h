#pragma once
#include <windows.h>
#include <oleauto.h>

#include "plugin_params.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"

// Adapters from the plug-in interfaces to the store's PluginParams, for one store operation
// each: they borrow the object without a reference of their own, so the caller keeps it alive.
class TransportParams final : public PluginParams {
public:
    explicit TransportParams(IQLX_TPLUGIN* plugin) : plugin_(plugin) {}

    // The member only: the settings page is refreshed once at the end through UpdateUI.
    HRESULT PutParam(BSTR name, const VARIANT& value) override {
        return plugin_ ? plugin_->PutParam(name, value) : E_POINTER;
    }
    HRESULT GetParam(BSTR name, VARIANT* value) override {
        return plugin_ ? plugin_->GetParam(name, value) : E_POINTER;
    }
    // Reason 0: copy every parameter into its control.
    HRESULT UpdateUI() override { return plugin_ ? plugin_->UpdateUI(0) : E_POINTER; }
    HRESULT ResetParams() override { return plugin_ ? plugin_->ResetParams() : E_POINTER; }

private:
    IQLX_TPLUGIN* plugin_;
};

class FormatParams final : public PluginParams {
public:
    explicit FormatParams(IQLX_RPLUGIN* plugin) : plugin_(plugin) {}

    HRESULT PutParam(BSTR name, const VARIANT& value) override {
        return plugin_ ? plugin_->PutParam(name, value) : E_POINTER;
    }
    HRESULT GetParam(BSTR name, VARIANT* value) override {
        return plugin_ ? plugin_->GetParam(name, value) : E_POINTER;
    }
    HRESULT UpdateUI() override { return plugin_ ? plugin_->UpdateUI() : E_POINTER; }
    HRESULT ResetParams() override { return plugin_ ? plugin_->ResetParams() : E_POINTER; }

private:
    IQLX_RPLUGIN* plugin_;
};

// The adapter that suits each plug-in interface.
template <class Plugin> struct ParamsAdapterOf;
template <> struct ParamsAdapterOf<IQLX_TPLUGIN> { using Type = TransportParams; };
template <> struct ParamsAdapterOf<IQLX_RPLUGIN> { using Type = FormatParams; };
