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

namespace {

constexpr wchar_t kCoreTarget[] = L"Core";
constexpr wchar_t kPrinterSetting[] = L"Printer";

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

// A core text stored without announcing it (the defaults of a printer without configuration).
void StoreQuietly(CfgData& core, const wchar_t* name, const wchar_t* text) {
    CfgValue value = core.Get(name);
    value.text.Assign(text);
    core.Set(name, value);
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
    CfgLockGuard guard(store_->Context().lock);
    InitPluginConfigs(*plugins_);
    CfgData& core = store_->Core();
    const std::vector<TransportRef> transports = plugins_->Transports();
    const std::wstring transport = core.Get(CfgStore::kTransportPlugin).text.c_str();
    if (!plugins_->FindTransport(transport.c_str()) && !transports.empty())
        StoreQuietly(core, CfgStore::kTransportPlugin, transports.front()->Name().c_str());
    plugins_->SelectTransports(core.Get(CfgStore::kTransportPlugin).text.c_str());
    const std::vector<FormatRef> formats = plugins_->Formats();
    const std::wstring format = core.Get(CfgStore::kFormatPlugin).text.c_str();
    if (!plugins_->FindFormat(format.c_str()) && !formats.empty())
        StoreQuietly(core, CfgStore::kFormatPlugin, formats.front()->Name().c_str());
    plugins_->SelectFormat(core.Get(CfgStore::kFormatPlugin).text.c_str());
}

HRESULT CQLX::put_PrinterImpl(const wchar_t* name) noexcept {
    return GuardedCall([&]() -> HRESULT {
        LogInfoStr(L'C', L"put_Printer {", name);
        bool same;
        ComPtr<IQLX_BSTR_Collection> own;
        {
            SrwGuard guard(state_lock_);
            same = printer_.Equals(name);
            own = own_printers_;
        }
        if (same) {
            ComVariant empty;
            poster_.PostOnSettingChanged(kCoreTarget, kPrinterSetting, empty);
            LogInfo(L'C', L"put_Printer }");
            return S_OK;
        }
        LONG index = -1;
        ComBstr asked(name);
        if (!own || FAILED(own->Contains(asked, &index)) || index < 0) {
            poster_.PostOnSettingChangeFailed(kCoreTarget, kPrinterSetting);
            return ReportError(IDS_INVALID_PRINTER_NAME, name);
        }
        {
            SrwGuard guard(state_lock_);
            printer_.Assign(name);
        }
        LogInfo(L'C', L"New printer applied");
        SetCoreDefaults(store_->Core());
        if (FAILED(store_->Load(name, *plugins_))) {
            LogWarn(L'C', L"CFG Load Failed");
            ApplyPrinterDefaults();
        }
        ComVariant value(name);
        poster_.PostOnSettingChanged(kCoreTarget, kPrinterSetting, value);
        LogInfo(L'C', L"put_Printer }");
        return S_OK;
    });
}
