#pragma once
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cfg_context.h"
#include "cfg_data.h"
#include "cfg_plugins.h"
#include "com_variant.h"
#include "plugin_params.h"

// The engine as the store sees it: a settable user-interface count and a record of the
// OnSettingChanged events posted.
class FakeEngine : public CfgEngine {
public:
    struct Event {
        std::wstring target;
        std::wstring param;
        ComVariant newVal;
    };

    LONG UILoadedCount() override { return uiLoaded; }
    void PostOnSettingChanged(BSTR target, BSTR param, const VARIANT& newVal) override;

    LONG uiLoaded = 0;
    std::vector<Event> events;
};

// A plug-in with its own defaults, parameters kept as VARIANTs, and counted calls.
class FakePlugin : public PluginParams {
public:
    explicit FakePlugin(std::map<std::wstring, ComVariant> defaults);

    HRESULT PutParam(BSTR name, const VARIANT& value) override;
    HRESULT GetParam(BSTR name, VARIANT* value) override;
    HRESULT UpdateUI() override;
    HRESULT ResetParams() override;

    // What GetParam answers for one name instead of its value.
    struct Answer {
        HRESULT hr;
        ComVariant value;
    };
    std::map<std::wstring, Answer> answers;

    std::map<std::wstring, ComVariant> defaults;
    std::map<std::wstring, ComVariant> values;
    std::vector<std::wstring> putOrder;
    int updateCalls = 0;
    int resetCalls = 0;
};

// Plug-in lists with sections named after the plug-ins, and a record of the selections made.
class FakePlugins : public CfgPlugins {
public:
    struct Record {
        std::unique_ptr<CfgData> config;
        FakePlugin* plugin; // null: no object
    };

    void Add(Group group, CfgContext& context, const wchar_t* name, const wchar_t* layout,
             FakePlugin* plugin);

    unsigned Count(Group group) override;
    CfgData& Section(Group group, unsigned index) override;
    PluginParams* Params(Group group, unsigned index) override;
    // Records the names asked for last; true when a record has the name (for transports: one
    // of the comma-separated names).
    bool Select(Group group, const wchar_t* names) override;

    std::vector<Record> records[2];
    std::wstring selected[2];
};

// A VT_ARRAY|VT_UI1 VARIANT holding bytes.
ComVariant ByteArrayVariant(const std::string& bytes);
// The bytes of a VT_ARRAY|VT_UI1 VARIANT, or "<not an array>".
std::string BytesOf(const VARIANT& value);
std::string BytesOf(const SafeByteArray& bytes);
