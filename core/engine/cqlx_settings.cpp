// The settings, plug-in and printer methods of IQLX.
#include "cqlx.h"

#include <string>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "error_ids.h"
#include "log.h"
#include "plugin_lists.h"
#include "registry.h"
#include "setting_names.h"
#include "spool_job.h"

namespace {

// What differs between the transport and the format parameter methods.
struct ParamWords {
    const wchar_t* getBegin;
    const wchar_t* getEnd;
    const wchar_t* putBegin;
    const wchar_t* putEnd;
    UINT noPlugin;
    UINT cannotGet;
    UINT cannotPut;
};

constexpr ParamWords kTransportWords = {
    L"get_TransportParam [",       L"get_TransportParam ]",     L"put_TransportParam [",
    L"put_TransportParam ]",       IDS_CANNOT_SELECT_TRANSPORT, IDS_CANNOT_GET_TRANSPORT_PARAM,
    IDS_CANNOT_PUT_TRANSPORT_PARAM};
constexpr ParamWords kFormatWords = {L"get_FormatParam [",       L"get_FormatParam ]",
                                     L"put_FormatParam [",       L"put_FormatParam ]",
                                     IDS_CANNOT_SELECT_FORMAT,   IDS_CANNOT_GET_FORMAT_PARAM,
                                     IDS_CANNOT_PUT_FORMAT_PARAM};

const wchar_t* Text(BSTR text) {
    return text ? text : L"";
}

void LogNames(const wchar_t* line, BSTR plugin, BSTR param) {
    if (!LogInfoOn())
        return;
    const std::wstring names = std::wstring(Text(plugin)) + L" " + Text(param);
    LogInfoStr(L'C', line, names.c_str());
}

// A parameter's value for the log. A protected string (a password) is never written in clear,
// nor is the value of a parameter the plug-in does not declare, whose kind is not known.
void LogValue(const VARIANT& value, bool known, LONG kind) {
    if (!LogInfoOn())
        return;
    if (!known || kind == kCfgProtectedString) {
        LogInfoStr(L'C', L"value", known ? L"(protected)" : L"(not shown)");
    } else if (value.vt == VT_BSTR) {
        LogInfoStr(L'C', L"value", Text(value.bstrVal));
    } else if (value.vt == VT_I4 || value.vt == VT_INT) {
        LogInfoNum(L'C', L"value", value.lVal);
    } else {
        LogInfoNum(L'C', L"value of type", value.vt);
    }
}

// A client's VARIANT without its reference (scripts pass variables by reference).
HRESULT PlainValue(const VARIANT& value, ComVariant* plain) {
    return VariantCopyInd(plain, const_cast<VARIANT*>(&value));
}

HRESULT UpdateSettingsPage(IQLX_TPLUGIN* plugin) {
    return plugin->UpdateUI(0);
}
HRESULT UpdateSettingsPage(IQLX_RPLUGIN* plugin) {
    return plugin->UpdateUI();
}

// The record of a plug-in that has an object, with that object held for the call.
template <class Ref, class Plugin> struct PluginCall {
    Ref record;
    ComPtr<Plugin> object;
    explicit operator bool() const { return record && object; }
};

PluginCall<TransportRef, IQLX_TPLUGIN> FindTransportCall(PluginLists& lists, BSTR name) {
    PluginCall<TransportRef, IQLX_TPLUGIN> call{lists.FindTransport(Text(name)), nullptr};
    if (call.record)
        call.object = call.record->Object();
    return call;
}

PluginCall<FormatRef, IQLX_RPLUGIN> FindFormatCall(PluginLists& lists, BSTR name) {
    PluginCall<FormatRef, IQLX_RPLUGIN> call{lists.FindFormat(Text(name)), nullptr};
    if (call.record)
        call.object = call.record->Object();
    return call;
}

HRESULT CopyValueText(CfgData& section, const wchar_t* name, BSTR* out) {
    RETURN_IF_NULL(out);
    const CfgValue value = section.Get(name);
    *out = SysAllocStringLen(value.text.c_str(), value.text.Length());
    return *out ? S_OK : E_OUTOFMEMORY;
}

} // namespace

HRESULT CQLX::RefuseSetting(const wchar_t* target, const wchar_t* param, UINT id,
                            const wchar_t* detail) noexcept {
    poster_.PostOnSettingChangeFailed(target, param);
    return ReportError(id, detail);
}

std::wstring CQLX::CurrentPrinter() const {
    SrwGuard guard(state_lock_);
    return printer_.c_str();
}

// Plug-in parameters

template <class Call>
static HRESULT GetParamOf(CQLX& engine, const ParamWords& words, Call call, BSTR plugin, BSTR param,
                          VARIANT* out) {
    LogNames(words.getBegin, plugin, param);
    if (!call)
        return engine.ReportError(words.noPlugin, Text(plugin));
    CfgData& section = call.record->config;
    CfgValue stored;
    if (!section.Find(Text(param), &stored))
        return engine.ReportError(words.cannotGet, Text(param));
    RETURN_IF_FAILED(section.GetValue(Text(param), out));
    LogValue(*out, true, stored.kind);
    LogInfo(L'C', words.getEnd);
    return S_OK;
}

STDMETHODIMP CQLX::get_TransportParam(BSTR plugin, BSTR param, VARIANT* pVal) {
    RETURN_IF_NULL(pVal);
    VariantInit(pVal);
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    return GuardedCall([&] {
        return GetParamOf(*this, kTransportWords, FindTransportCall(*plugins_, plugin), plugin,
                          param, pVal);
    });
}

STDMETHODIMP CQLX::get_FormatParam(BSTR plugin, BSTR param, VARIANT* pVal) {
    RETURN_IF_NULL(pVal);
    VariantInit(pVal);
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    return GuardedCall([&] {
        return GetParamOf(*this, kFormatWords, FindFormatCall(*plugins_, plugin), plugin, param,
                          pVal);
    });
}

// Steps common to both kinds: the value goes to the plug-in, then into the store, which
// announces it. The plug-in keeps a value that the store then refuses.
template <class Call>
static HRESULT PutParamOf(CQLX& engine, const ParamWords& words, Call& call, BSTR plugin,
                          BSTR param, const VARIANT& value, bool noCheck) {
    LogNames(words.putBegin, plugin, param);
    CfgValue stored;
    const bool known = call && call.record->config.Find(Text(param), &stored);
    LogValue(value, known, stored.kind);
    if (!call)
        return engine.ReportError(words.noPlugin, Text(plugin));
    if (!known)
        return engine.ReportError(words.cannotPut, Text(param));
    ComVariant plain;
    RETURN_IF_FAILED(PlainValue(value, &plain));
    // The plug-in guards its own members: a send in progress reads them under its lock.
    const HRESULT hr =
        noCheck ? call.object->PutParam(param, plain) : call.object->PutParamUI(param, plain);
    if (FAILED(hr) || !call.record->config.PutValue(Text(param), plain))
        return engine.ReportError(words.cannotPut, Text(param));
    return S_OK;
}

HRESULT CQLX::put_TransportParamImpl(BSTR plugin, BSTR param, const VARIANT& value,
                                     bool noCheck) noexcept {
    return GuardedCall([&] {
        auto call = FindTransportCall(*plugins_, plugin);
        RETURN_IF_FAILED(PutParamOf(*this, kTransportWords, call, plugin, param, value, noCheck));
        LogInfo(L'C', kTransportWords.putEnd);
        return S_OK;
    });
}

HRESULT CQLX::put_FormatParamImpl(BSTR plugin, BSTR param, const VARIANT& value,
                                  bool noCheck) noexcept {
    return GuardedCall([&] {
        auto call = FindFormatCall(*plugins_, plugin);
        RETURN_IF_FAILED(PutParamOf(*this, kFormatWords, call, plugin, param, value, noCheck));
        if (!noCheck && call.record == plugins_->SelectedFormat())
            Rerender();
        LogInfo(L'C', kFormatWords.putEnd);
        return S_OK;
    });
}

HRESULT CQLX::PutPluginParam(bool transport, BSTR plugin, BSTR param, const VARIANT& value,
                             bool noCheck) noexcept {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    const HRESULT hr = transport ? put_TransportParamImpl(plugin, param, value, noCheck)
                                 : put_FormatParamImpl(plugin, param, value, noCheck);
    if (FAILED(hr))
        poster_.PostOnSettingChangeFailed(Text(plugin), Text(param));
    return hr;
}

STDMETHODIMP CQLX::put_TransportParam(BSTR plugin, BSTR param, VARIANT newVal) {
    return PutPluginParam(true, plugin, param, newVal, false);
}
STDMETHODIMP CQLX::put_TransportParamNoCheck(BSTR plugin, BSTR param, VARIANT newVal) {
    return PutPluginParam(true, plugin, param, newVal, true);
}
STDMETHODIMP CQLX::put_FormatParam(BSTR plugin, BSTR param, VARIANT newVal) {
    return PutPluginParam(false, plugin, param, newVal, false);
}
STDMETHODIMP CQLX::put_FormatParamNoCheck(BSTR plugin, BSTR param, VARIANT newVal) {
    return PutPluginParam(false, plugin, param, newVal, true);
}

STDMETHODIMP CQLX::TransportCheckSettings(BSTR plugin) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfoStr(L'C', L"CQLX::TransportCheckSettings", Text(plugin));
    auto call = FindTransportCall(*plugins_, plugin);
    if (!call)
        return ReportError(IDS_CANNOT_SELECT_TRANSPORT, Text(plugin));
    if (FAILED(UpdateSettingsPage(call.object.Get())))
        return ReportError(IDS_CANNOT_PUT_TRANSPORT_PARAM);
    return S_OK;
}

STDMETHODIMP CQLX::FormatCheckSettings(BSTR plugin) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfoStr(L'C', L"FormatCheckSettings [", Text(plugin));
    auto call = FindFormatCall(*plugins_, plugin);
    if (!call)
        return ReportError(IDS_CANNOT_SELECT_FORMAT, Text(plugin));
    if (FAILED(UpdateSettingsPage(call.object.Get())))
        return ReportError(IDS_CANNOT_PUT_FORMAT_PARAM);
    if (call.record->config.Changed() && call.record == plugins_->SelectedFormat())
        Rerender();
    LogInfo(L'C', L"FormatCheckSettings ]");
    return S_OK;
}

STDMETHODIMP CQLX::get_FormatPluginNames(IQLX_BSTR_Collection** pVal) {
    return CopyCollection(format_names_, pVal);
}
STDMETHODIMP CQLX::get_TransportPluginNames(IQLX_BSTR_Collection** pVal) {
    return CopyCollection(transport_names_, pVal);
}

// Selections

STDMETHODIMP CQLX::get_Transport(BSTR* pVal) {
    if (pVal)
        *pVal = nullptr;
    return GuardedCall(
        [&] { return CopyValueText(store_->Core(), CfgStore::kTransportPlugin, pVal); });
}

STDMETHODIMP CQLX::put_Transport(BSTR newVal) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    return GuardedCall([&]() -> HRESULT {
        const std::wstring selected = plugins_->SelectTransports(Text(newVal));
        if (selected.empty())
            return RefuseSetting(setting_name::kCore, CfgStore::kTransportPlugin,
                                 IDS_NO_TRANSPORTS_SELECTED);
        store_->Core().PutString(CfgStore::kTransportPlugin, selected.c_str());
        return S_OK;
    });
}

bool CQLX::put_FormatImpl(const wchar_t* name) noexcept {
    try {
        return plugins_->SelectFormat(name);
    } catch (...) {
        LogError(L'C', L"put_FormatImpl out of memory");
        return false;
    }
}

STDMETHODIMP CQLX::get_Format(BSTR* pVal) {
    if (pVal)
        *pVal = nullptr;
    return GuardedCall(
        [&] { return CopyValueText(store_->Core(), CfgStore::kFormatPlugin, pVal); });
}

STDMETHODIMP CQLX::put_Format(BSTR newVal) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    return GuardedCall([&]() -> HRESULT {
        if (!put_FormatImpl(Text(newVal)))
            return RefuseSetting(setting_name::kCore, CfgStore::kFormatPlugin,
                                 IDS_INVALID_FORMAT_NAME);
        if (!store_->Core().PutString(CfgStore::kFormatPlugin, Text(newVal)))
            return S_OK;
        std::wstring document;
        if (!OpenJobDocument(&document))
            return S_OK;
        // The new plug-in renders the open job: it needs the job's document name first.
        FormatRef selected = plugins_->SelectedFormat();
        if (ComPtr<IQLX_RPLUGIN> object = selected ? selected->Object() : nullptr) {
            ComBstr docname(L"docname");
            ComVariant name(document.c_str());
            object->PutParamUI(docname, name);
        }
        Rerender();
        return S_OK;
    });
}

// Printers

STDMETHODIMP CQLX::get_printer(BSTR* pVal) {
    SrwGuard guard(state_lock_);
    return CopyText(printer_, pVal);
}

STDMETHODIMP CQLX::put_printer(BSTR newVal) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    if (processed_job_.load())
        return RefuseSetting(setting_name::kCore, setting_name::kPrinter, IDS_CANNOT_CHANGE_PRINTER,
                             Text(newVal));
    return put_PrinterImpl(Text(newVal));
}

STDMETHODIMP CQLX::get_Printers(IQLX_BSTR_Collection** pVal) {
    return CopyCollection(own_printers_, pVal);
}
STDMETHODIMP CQLX::get_SystemPrinters(IQLX_BSTR_Collection** pVal) {
    return CopyCollection(system_printers_, pVal);
}
STDMETHODIMP CQLX::get_DefaultPrinter(BSTR* pVal) {
    SrwGuard guard(state_lock_);
    return CopyText(system_default_printer_, pVal);
}

// Saving

HRESULT CQLX::SaveConfigurationTo(CfgTree tree) noexcept {
    std::wstring printer;
    HRESULT hr = GuardedCall([&]() -> HRESULT {
        // The printer cannot change while its configuration is written.
        CfgLockGuard guard(store_->Lock());
        printer = CurrentPrinter();
        // Without a printer the sections would land in the configuration key itself.
        if (printer.empty())
            return E_FAIL;
        return tree == CfgTree::kUser ? store_->SaveConfiguration(printer.c_str(), *plugins_)
                                      : store_->SaveCommonConfiguration(printer.c_str(), *plugins_);
    });
    if (FAILED(hr))
        return ReportError(IDS_CANNOT_SAVE_CONFIGURATION, printer.c_str());
    DWORD autosave;
    {
        SrwGuard guard(state_lock_);
        autosave = options_.autosave;
    }
    if (!WriteRegDword(RootOf(tree), L"Autosave", autosave))
        LogError(L'C', L"Cannot write Autosave");
    return S_OK;
}

STDMETHODIMP CQLX::SaveConfiguration() {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfo(L'C', L"cfg->Save from SaveConfiguration");
    return SaveConfigurationTo(CfgTree::kUser);
}

STDMETHODIMP CQLX::SaveCommonConfiguration() {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfo(L'C', L"cfg->SaveCommon from saveconfiguration");
    return SaveConfigurationTo(CfgTree::kMachine);
}

STDMETHODIMP CQLX::get_AutoSave(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    SrwGuard guard(state_lock_);
    *pVal = static_cast<LONG>(options_.autosave);
    return S_OK;
}

STDMETHODIMP CQLX::put_AutoSave(LONG newVal) {
    LogInfoNum(L'C', L"CQLX::put_AutoSave newVal=", newVal);
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    bool changed;
    {
        SrwGuard guard(state_lock_);
        changed = options_.autosave != static_cast<DWORD>(newVal);
        options_.autosave = static_cast<DWORD>(newVal);
    }
    ComVariant value;
    if (changed)
        value = ComVariant(static_cast<long>(newVal));
    poster_.PostOnSettingChanged(setting_name::kCore, setting_name::kAutosave, value);
    if (changed && newVal != 0 && JobRendered())
        SaveAllPages();
    return S_OK;
}
