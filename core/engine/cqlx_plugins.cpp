#include "cqlx.h"

#include <ocidl.h>

#include <string>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "core_schema.h"
#include "error_ids.h"
#include "log.h"
#include "plugin_lists.h"
#include "setting_names.h"

namespace {

HRESULT FindPoint(IUnknown* plugin, REFIID events, IConnectionPoint** point) {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = plugin->QueryInterface(IID_IConnectionPointContainer, container.AsVoidOut());
    if (FAILED(hr))
        return hr;
    return container->FindConnectionPoint(events, point);
}

// Re-creates the record's object when it has none and advises the sink on it once.
template <class Record> void Connect(PluginLists& lists, Record& record, PluginEventSink& sink) {
    bool created = false;
    if (FAILED(lists.EnsureObject(record, &created)))
        return; // skipped: no object, no sink
    auto plugin = record.Object();
    if (!plugin || record.Cookie() != 0)
        return;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    HRESULT hr = FindPoint(plugin.Get(), sink.EventIid(), &point);
    if (SUCCEEDED(hr))
        hr = point->Advise(static_cast<IDispatch*>(&sink), &cookie);
    if (FAILED(hr)) {
        LogErrorNum(L'C', L"CQLX::PostStart Cannot connect plug-in events", hr);
        return;
    }
    record.SetCookie(cookie);
    LogInfoStr(L'C', L"Connected", record.Name().c_str());
}

template <class Record> void Disconnect(Record& record, PluginEventSink& sink) {
    const DWORD cookie = record.Cookie();
    if (cookie == 0)
        return;
    record.SetCookie(0);
    auto plugin = record.Object();
    if (!plugin)
        return;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = FindPoint(plugin.Get(), sink.EventIid(), &point);
    if (SUCCEEDED(hr))
        hr = point->Unadvise(cookie);
    if (FAILED(hr))
        LogWarnStr(L'C', L"CQLX::PreStop Cannot disconnect", record.Name().c_str());
    else
        LogInfoStr(L'C', L"Disconnected", record.Name().c_str());
}

} // namespace

HRESULT CQLX::LoadPlugins() {
    if (!categories_) {
        HRESULT hr =
            CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICatInformation, categories_.AsVoidOut());
        if (FAILED(hr)) {
            LogErrorNum(L'C', L"CQLX::Init Cannot create the category manager", hr);
            return E_FAIL;
        }
    }
    ComPtr<IQLX_BSTR_Collection> formats, transports;
    {
        SrwGuard guard(state_lock_);
        formats = format_names_;
        transports = transport_names_;
    }
    HRESULT hr = plugins_->LoadFormats(categories_, formats);
    if (SUCCEEDED(hr))
        hr = plugins_->LoadTransports(categories_, transports);
    categories_.Release();
    return SUCCEEDED(hr) ? S_OK : E_FAIL;
}

void CQLX::UnloadPlugins() noexcept {
    plugins_->UnloadTransports();
    plugins_->UnloadFormats();
}

void CQLX::ConnectPluginSinks() noexcept {
    for (const TransportRef& record : plugins_->Transports())
        Connect(*plugins_, *record, transport_sink_);
    for (const FormatRef& record : plugins_->Formats())
        Connect(*plugins_, *record, format_sink_);
}

void CQLX::DisconnectPluginSinks() noexcept {
    for (const TransportRef& record : plugins_->Transports())
        Disconnect(*record, transport_sink_);
    for (const FormatRef& record : plugins_->Formats())
        Disconnect(*record, format_sink_);
}

unsigned CQLX::ConnectedPluginSinks() noexcept {
    unsigned count = 0;
    for (const TransportRef& record : plugins_->Transports())
        count += record->Cookie() != 0;
    for (const FormatRef& record : plugins_->Formats())
        count += record->Cookie() != 0;
    return count;
}

void CQLX::UpdateTransportsUI(long reason) {
    for (const TransportRef& record : plugins_->Transports()) {
        if (auto plugin = record->Object())
            plugin->UpdateUI(reason);
    }
}

// A parameter the plug-in changed itself (its settings page): stored and announced, never
// pushed back into the plug-in.
void CQLX::OnPluginChangeParam(Kind kind, BSTR plugin, BSTR param, const VARIANT& value) noexcept {
    GuardedCall([&] {
        const bool transport = kind == Kind::kTransport;
        LogInfoStr(L'C', transport ? L"OnTransportSettingChanged" : L"OnFormatSettingChanged",
                   plugin ? plugin : L"");
        CfgData* section = nullptr;
        TransportRef transportRecord;
        FormatRef formatRecord;
        if (transport) {
            transportRecord = plugins_->FindTransport(plugin ? plugin : L"");
            if (transportRecord)
                section = &transportRecord->config;
        } else {
            formatRecord = plugins_->FindFormat(plugin ? plugin : L"");
            if (formatRecord)
                section = &formatRecord->config;
        }
        if (!section || !param || !section->Find(param)) {
            LogWarnStr(L'C', L"Unknown plug-in parameter", param ? param : L"");
            return S_OK;
        }
        if (!section->PutValue(param, value))
            LogWarnStr(L'C', L"Plug-in parameter refused", param);
        return S_OK;
    });
}

// For a printer without a stored configuration: the plug-ins' own defaults, the first
// transport and format plug-in in name order unless the defaults name loaded ones.
void CQLX::ApplyPrinterDefaults() noexcept {
    // The lists' sections stay valid only under the store's lock: an unload replaces them.
    CfgLockGuard guard(store_->Lock());
    InitPluginConfigs(*plugins_);
    store_->SelectStored(CfgPlugins::kTransports, *plugins_);
    store_->SelectStored(CfgPlugins::kFormats, *plugins_);
}

HRESULT CQLX::put_PrinterImpl(const wchar_t* name, bool reload) noexcept {
    EventPoster::Deferral deferral(poster_);
    return GuardedCall([&]() -> HRESULT {
        name = name ? name : L"";
        LogInfoStr(L'C', L"put_Printer {", name);
        bool same;
        ComPtr<IQLX_BSTR_Collection> own;
        {
            SrwGuard guard(state_lock_);
            same = printer_.Equals(name);
            own = own_printers_;
        }
        if (same && !reload) {
            ComVariant empty;
            poster_.PostOnSettingChanged(setting_name::kCore, setting_name::kPrinter, empty);
            LogInfo(L'C', L"put_Printer }");
            return S_OK;
        }
        LONG index = -1;
        ComBstr asked(name);
        if (!own || FAILED(own->Contains(asked, &index)) || index < 0)
            return RefuseSetting(setting_name::kCore, setting_name::kPrinter,
                                 IDS_INVALID_PRINTER_NAME, name);
        RETURN_IF_FAILED(SelectPrinterLocked(name));
        ComVariant value(name);
        poster_.PostOnSettingChanged(setting_name::kCore, setting_name::kPrinter, value);
        LogInfo(L'C', L"put_Printer }");
        return S_OK;
    });
}

HRESULT CQLX::SelectPrinterLocked(const wchar_t* name) {
    // The name and the configuration change together for the store's other users: a save
    // never writes one printer's settings under another's key.
    CfgLockGuard guard(store_->Lock());
    {
        SrwGuard state(state_lock_);
        if (!printer_.Assign(name))
            return E_OUTOFMEMORY;
    }
    LogInfo(L'C', L"New printer applied");
    SetCoreDefaults(store_->Core());
    if (FAILED(store_->Load(name, *plugins_))) {
        LogWarn(L'C', L"CFG Load Failed");
        ApplyPrinterDefaults();
    }
    // A redirect printer that is gone is not kept for the new printer.
    if (FAILED(ApplyRedirectPrinter())) {
        CfgValue redirect = store_->Core().Get(core_setting::kRedirectPrinter);
        redirect.text.Assign(L"Disable");
        store_->Core().Set(core_setting::kRedirectPrinter, redirect);
    }
    return S_OK;
}
