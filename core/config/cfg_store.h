#pragma once
#include <string>

#include "cfg_context.h"
#include "cfg_data.h"
#include "cfg_plugins.h"

// The configuration of the current printer: the core section and, through CfgPlugins, every
// plug-in's section. Keys lie below <product key>\configuration\<printer>, one subkey per
// plug-in below the printer's key, in the per-user tree or the machine-wide one. The tree is
// chosen per call; nothing process-wide is switched.
class CfgStore {
public:
    static constexpr const wchar_t* kTransportPlugin = L"TransportPlugin";
    static constexpr const wchar_t* kFormatPlugin = L"FormatPlugin";

    CfgStore(CfgEngine* engine, const std::wstring& dataFolder);
    CfgStore(const CfgStore&) = delete;
    CfgStore& operator=(const CfgStore&) = delete;

    CfgContext& Context() { return context_; }
    CfgData& Core() { return core_; }
    // The store's one lock, for callers that need several operations to be seen as one
    // (a printer change clearing and refilling the sections).
    CfgLock& Lock() { return context_.lock; }

    // Reads the printer's whole configuration from the per-user tree when it holds the
    // printer's core section, else from the machine-wide tree. A plug-in without a section in
    // that tree is reset to its own defaults. E_FAIL when neither tree has the core section.
    HRESULT Load(const wchar_t* printer, CfgPlugins& plugins);
    // Saves the changed sections of the printer into one tree: the core's first, then every
    // transport's and every format's. A tree the configuration was not loaded from gets every
    // section, so that it holds a whole configuration. Fails when any section failed.
    HRESULT Save(CfgTree tree, const wchar_t* printer, CfgPlugins& plugins);
    void MarkAllChanged(CfgPlugins& plugins);
    // Selects the plug-ins that the core section's TransportPlugin (or FormatPlugin) names.
    // When those names select none, the first plug-in of the list is selected and its name
    // stored in the value, without announcing it or counting it as a change, so the
    // selection always belongs to the printer loaded.
    void SelectStored(CfgPlugins::Group group, CfgPlugins& plugins);
    // Every section, whether changed or not: per user, or for all users.
    HRESULT SaveConfiguration(const wchar_t* printer, CfgPlugins& plugins);
    HRESULT SaveCommonConfiguration(const wchar_t* printer, CfgPlugins& plugins);

    static std::wstring PrinterKey(const wchar_t* printer);
    static std::wstring PluginKey(const wchar_t* printer, const wchar_t* plugin);

private:
    enum class Source { kNone, kUser, kMachine };

    HRESULT LoadFromTree(CfgTree tree, const wchar_t* printer, CfgPlugins& plugins);
    void LoadGroup(CfgPlugins::Group group, HKEY root, const wchar_t* printer, CfgPlugins& plugins);
    HRESULT SaveGroup(CfgPlugins::Group group, HKEY root, const wchar_t* printer,
                      CfgPlugins& plugins);

    CfgContext context_;
    CfgData core_;
    // The tree the current printer's configuration came from (or was last wholly saved to).
    Source source_ = Source::kNone;
    std::wstring sourcePrinter_;
};
