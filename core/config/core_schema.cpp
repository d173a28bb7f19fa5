#include "core_schema.h"

#include "cfg_store.h"
#include "log.h"

namespace {

constexpr wchar_t kSource = L'C';

struct CoreSetting {
    const wchar_t* name;
    CfgKind kind;
    bool exposed;
    LONG default_number;
    const wchar_t* default_text;
};

using namespace core_setting;

// In the order of declaration.
constexpr CoreSetting kCoreSettings[] = {
    {kCharset, kCfgLong, true, 5, nullptr},
    {kUnixEOL, kCfgLong, true, 0, nullptr},
    {kPageBreak, kCfgLong, true, 0, nullptr},
    {kUnicodePrefix, kCfgLong, true, 1, nullptr},
    {CfgStore::kFormatPlugin, kCfgString, false, 0, L"Formatted"},
    {CfgStore::kTransportPlugin, kCfgString, false, 0, L"File"},
    {kRedirectPrinter, kCfgString, false, 0, L"Disable"},
    {kRTextFont, kCfgString, true, 0, L"Default"},
    {kRPrinterSettings, kCfgByteArray, true, 0, nullptr},
    {kREMFTop, kCfgLong, true, 0, nullptr},
    {kREMFBottom, kCfgLong, true, 0, nullptr},
    {kREMFLeft, kCfgLong, true, 0, nullptr},
    {kREMFRight, kCfgLong, true, 0, nullptr},
    {kREMFCompatibility, kCfgLong, true, 0, nullptr},
    {kREMFConstrain, kCfgLong, true, 1, nullptr},
    {kREMFMargins, kCfgLong, true, 0, nullptr},
    {kRTextSize, kCfgLong, true, 10, nullptr},
    {kRTextWeight, kCfgLong, true, 400, nullptr},
};

void InitGroup(CfgPlugins& plugins, CfgPlugins::Group group, const wchar_t* message) {
    for (unsigned i = 0; i < plugins.Count(group); ++i) {
        CfgData& section = plugins.Section(group, i);
        if (PluginParams* params = plugins.Params(group, i)) {
            LogInfoStr(kSource, message, section.Section().c_str());
            section.PutValues(*params);
        }
        section.SetChanged(false);
    }
}

} // namespace

void DeclareCoreSchema(CfgData& core) {
    CfgLockGuard guard(core.Context().lock);
    for (const CoreSetting& setting : kCoreSettings)
        core.Set(setting.name, CfgValue(setting.kind, setting.exposed));
    core.SetChanged(false);
}

void SetCoreDefaults(CfgData& core) {
    CfgLockGuard guard(core.Context().lock);
    for (const CoreSetting& setting : kCoreSettings) {
        CfgValue value = core.Get(setting.name);
        value.Reset();
        value.kind = setting.kind;
        value.number = setting.default_number;
        value.text.Assign(setting.default_text);
        if (setting.kind == kCfgByteArray)
            value.bytes.Attach(SafeArrayCreateVector(VT_UI1, 0, 0));
        core.Set(setting.name, value);
    }
    core.SetChanged(false);
}

void InitPluginConfigs(CfgPlugins& plugins) {
    InitGroup(plugins, CfgPlugins::kTransports, L"Init Transport Plugin:");
    InitGroup(plugins, CfgPlugins::kFormats, L"Init Format Plugin:");
}
