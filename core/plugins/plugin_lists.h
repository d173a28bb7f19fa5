#pragma once
#include <windows.h>
#include <comcat.h>

#include <memory>
#include <string>
#include <vector>

#include "cfg_data.h"
#include "cfg_plugins.h"
#include "com_ptr.h"
#include "critical_section.h"
#include "plugin_adapters.h"
#include "plugin_records.h"
#include "qlx_core.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"
#include "srw_lock.h"
#include "wstring.h"

struct CategoryWords;

// The engine's two plug-in lists, each sorted by name, and the configuration store's view of
// them (CfgPlugins). Any method may be called from any thread: loading and unloading replace a
// whole list under the lists' own lock; readers get snapshots.
//
// The store's view (Count, Section, Params) works on the lists as they are while the store's
// lock (CfgContext::lock) is held: a list is only replaced under that lock too, so a section
// or adapter handed to a store operation stays valid for as long as the operation holds it.
// Lock order: the store's lock before the lists' lock; neither is held while a plug-in is
// created or described.
class PluginLists final : public CfgPlugins {
public:
    explicit PluginLists(CfgContext& context);
    PluginLists(const PluginLists&) = delete;
    PluginLists& operator=(const PluginLists&) = delete;

    // Discovers, creates and describes the plug-ins of one category through the category
    // manager (classes of the category, created in process or as local server). Unloads that
    // category first. A plug-in that can't be created, or whose name or descriptor can't be read
    // or is malformed, is logged and skipped. E_FAIL when none loads, without a manager, or
    // when the enumeration fails. Adds the names in sorted order to `names` when given.
    HRESULT LoadFormats(ICatInformation* categories, IQLX_BSTR_Collection* names);
    HRESULT LoadTransports(ICatInformation* categories, IQLX_BSTR_Collection* names);
    // Releases every plug-in object and empties the list (records still held stay valid, their
    // objects null for good).
    void UnloadFormats();
    void UnloadTransports();

    std::vector<TransportRef> Transports() const; // list order
    std::vector<FormatRef> Formats() const;
    // Exact, case-sensitive comparison; null when none.
    TransportRef FindTransport(const wchar_t* name) const;
    FormatRef FindFormat(const wchar_t* name) const;

    // Creates the record's object again (in process or local server, as at loading) when it
    // has none, and pushes the stored values into it (CfgData::ApplyToPlugin through the
    // adapter) before any other thread can see it. S_OK when the record has an object
    // afterwards; *created tells whether it was made now. A record that was unloaded gets no
    // object again (E_FAIL).
    HRESULT EnsureObject(TransportRecord& record, bool* created);
    HRESULT EnsureObject(FormatRecord& record, bool* created);

    // CfgPlugins (the store's view); Select sets `enabled` from the comma-separated
    // TransportPlugin list, and for formats remembers the selected format's name.
    unsigned Count(Group group) override;
    CfgData& Section(Group group, unsigned index) override;
    PluginParams* Params(Group group, unsigned index) override;
    bool Select(Group group, const wchar_t* names) override;
    // The format that Select named last; null when none or when it is no longer loaded (so a
    // reload never leaves a dangling selection).
    FormatRef SelectedFormat() const;

    // The selections behind Select, for the automation interface. SelectTransports keeps the
    // pieces of the comma-separated list (not trimmed, empty ones dropped) that name a loaded
    // transport; when none does, the flags stay as they were and the result is empty;
    // otherwise exactly the named transports are enabled and the result lists them in list
    // order, joined by ",". A name that several plug-ins give selects the first of them.
    // SelectFormat is false, and the selection stays, when no format has the name.
    std::wstring SelectTransports(const wchar_t* list);
    bool SelectFormat(const wchar_t* name);
    // The transports enabled now, as one selection: a send takes them once, so a selection
    // made while it runs changes neither what it sends through nor what it counts.
    std::vector<TransportRef> EnabledTransports() const;

private:
    template <class Record, class Plugin>
    HRESULT LoadList(std::vector<std::shared_ptr<Record>>& list, ICatInformation* categories,
                     REFGUID category, const CategoryWords& words, IQLX_BSTR_Collection* names);
    template <class Ref> void UnloadList(std::vector<Ref>& list, const CategoryWords& words);
    // Swaps a whole list in under the store's lock and the lists' lock; returns the old one.
    template <class Ref>
    std::vector<Ref> ReplaceList(std::vector<Ref>& list, std::vector<Ref> with);
    template <class Record, class Plugin> HRESULT EnsureObjectOf(Record& record, bool* created);

    CfgContext& context_;
    // Serialises loading and unloading (recursive: a load unloads first).
    CriticalSection loading_;
    mutable SrwLock lock_;
    std::vector<TransportRef> transports_;
    std::vector<FormatRef> formats_;
    bool formatSelected_ = false;
    std::wstring selectedFormat_;
    // Answers a store that asks beyond Count: an empty section that belongs to no plug-in.
    CfgData none_;
};
