#include "cfg_store.h"

#include "log.h"
#include "product_key.h"

namespace {

constexpr wchar_t kSource = L'C';

} // namespace

CfgStore::CfgStore(CfgEngine* engine, const std::wstring& dataFolder)
    : core_(context_, CfgData::kCoreSection) {
    context_.engine = engine;
    context_.dataFolder = dataFolder;
    if (!context_.dataFolder.empty() && context_.dataFolder.back() != L'\\')
        context_.dataFolder += L'\\';
}

std::wstring CfgStore::PrinterKey(const wchar_t* printer) {
    return std::wstring(ProductKey()) + L"\\configuration\\" + (printer ? printer : L"");
}

std::wstring CfgStore::PluginKey(const wchar_t* printer, const wchar_t* plugin) {
    return PrinterKey(printer) + L"\\" + (plugin ? plugin : L"");
}

void CfgStore::LoadGroup(CfgPlugins::Group group, HKEY root, const wchar_t* printer,
                         CfgPlugins& plugins) {
    for (unsigned i = 0; i < plugins.Count(group); ++i) {
        PluginParams* params = plugins.Params(group, i);
        if (!params)
            continue;
        CfgData& section = plugins.Section(group, i);
        LogInfoStr(kSource, L"Plugin", section.Section().c_str());
        if (FAILED(section.int_Load(root, PluginKey(printer, section.Section().c_str())))) {
            LogWarn(kSource, L"CfgData::Load Cannot load plugin config - init");
            section.PutValues(*params);
            section.SetChanged(false);
        } else {
            section.ApplyToPlugin(*params);
        }
    }
}

void CfgStore::SelectStored(CfgPlugins::Group group, CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    const wchar_t* valueName = group == CfgPlugins::kTransports ? kTransportPlugin : kFormatPlugin;
    const std::wstring stored = core_.Get(valueName).text.c_str();
    if (plugins.Select(group, stored.c_str()) || plugins.Count(group) == 0)
        return;
    // Selecting nothing would leave the previous printer's plug-ins in use.
    const std::wstring first = plugins.Section(group, 0).Section().c_str();
    LogWarnStr(kSource, L"CfgData::Load No plugin loaded of the stored names", stored.c_str());
    LogWarnStr(kSource, L"CfgData::Load First plugin used", first.c_str());
    CfgValue value = core_.Get(valueName);
    value.text.Assign(first.c_str());
    core_.Set(valueName, value);
    plugins.Select(group, first.c_str());
}

HRESULT CfgStore::LoadFromTree(CfgTree tree, const wchar_t* printer, CfgPlugins& plugins) {
    const HKEY root = RootOf(tree);
    if (FAILED(core_.int_Load(root, PrinterKey(printer))))
        return E_FAIL;
    SelectStored(CfgPlugins::kTransports, plugins);
    LoadGroup(CfgPlugins::kTransports, root, printer, plugins);
    SelectStored(CfgPlugins::kFormats, plugins);
    LoadGroup(CfgPlugins::kFormats, root, printer, plugins);
    return S_OK;
}

HRESULT CfgStore::Load(const wchar_t* printer, CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    LogInfoStr(kSource, L"CFG Start loading ", printer);
    source_ = Source::kNone;
    sourcePrinter_ = printer ? printer : L"";
    HRESULT hr = LoadFromTree(CfgTree::kUser, printer, plugins);
    if (SUCCEEDED(hr)) {
        source_ = Source::kUser;
    } else {
        LogInfo(kSource, L"Local configuration load error");
        hr = LoadFromTree(CfgTree::kMachine, printer, plugins);
        if (SUCCEEDED(hr)) {
            source_ = Source::kMachine;
        } else {
            LogError(kSource, L"Common configuration load error");
            return E_FAIL;
        }
    }
    LogInfo(kSource, L"CFG End loading");
    return S_OK;
}

void CfgStore::MarkAllChanged(CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    core_.SetChanged(true);
    for (auto group : {CfgPlugins::kTransports, CfgPlugins::kFormats})
        for (unsigned i = 0; i < plugins.Count(group); ++i)
            plugins.Section(group, i).SetChanged(true);
}

HRESULT CfgStore::SaveGroup(CfgPlugins::Group group, HKEY root, const wchar_t* printer,
                            CfgPlugins& plugins) {
    HRESULT result = S_OK;
    for (unsigned i = 0; i < plugins.Count(group); ++i) {
        CfgData& section = plugins.Section(group, i);
        if (FAILED(section.int_Save(root, PluginKey(printer, section.Section().c_str())))) {
            LogErrorStr(kSource, L"CfgData::Save Cannot save plugin config:",
                        section.Section().c_str());
            result = E_FAIL;
        }
    }
    return result;
}

HRESULT CfgStore::Save(CfgTree tree, const wchar_t* printer, CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    LogInfoStr(kSource, L"CFG Save: Start saving ", printer);
    const Source target = tree == CfgTree::kUser ? Source::kUser : Source::kMachine;
    const bool sameConfiguration = sourcePrinter_ == (printer ? printer : L"");
    // Loading takes a configuration wholly from one tree: a tree that gets only the changed
    // sections would hide the other sections' stored values at the next load.
    if (source_ != target || !sameConfiguration)
        MarkAllChanged(plugins);
    const HKEY root = RootOf(tree);
    HRESULT hr = core_.int_Save(root, PrinterKey(printer));
    if (FAILED(hr)) {
        LogError(kSource, L"General config save error");
        return hr;
    }
    const HRESULT transports = SaveGroup(CfgPlugins::kTransports, root, printer, plugins);
    const HRESULT formats = SaveGroup(CfgPlugins::kFormats, root, printer, plugins);
    if (FAILED(transports) || FAILED(formats))
        return E_FAIL;
    if (tree == CfgTree::kUser && sameConfiguration)
        source_ = Source::kUser;
    return S_OK;
}

HRESULT CfgStore::SaveConfiguration(const wchar_t* printer, CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    MarkAllChanged(plugins);
    return Save(CfgTree::kUser, printer, plugins);
}

HRESULT CfgStore::SaveCommonConfiguration(const wchar_t* printer, CfgPlugins& plugins) {
    CfgLockGuard guard(context_.lock);
    MarkAllChanged(plugins);
    return Save(CfgTree::kMachine, printer, plugins);
}
