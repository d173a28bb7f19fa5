#include "plugin_lists.h"

#include <memory>
#include <new>
#include <utility>

#include "com_bstr.h"
#include "com_result.h"
#include "log.h"
#include "plugin_categories.h"
#include "plugin_discovery.h"
#include "plugin_sort.h"
#include "registration.h"

namespace {

constexpr wchar_t kSource = L'C';

template <class Ref> Ref FindByName(const std::vector<Ref>& list, const wchar_t* name) {
    if (!name)
        return nullptr;
    for (const Ref& record : list) {
        if (record && record->Name().Equals(name))
            return record;
    }
    return nullptr;
}

// The pieces of a comma-separated list, as they stand; empty pieces dropped.
std::vector<std::wstring> SplitAtCommas(const wchar_t* list) {
    std::vector<std::wstring> pieces;
    const wchar_t* p = list ? list : L"";
    while (*p) {
        const wchar_t* start = p;
        while (*p && *p != L',')
            ++p;
        if (p > start)
            pieces.emplace_back(start, p);
        if (*p)
            ++p;
    }
    return pieces;
}

// Plug-ins of one name share that name's settings key, and only the first of them (in list
// order) is ever found by the name: the log says which one that is.
template <class Ref>
void LogSharedNames(const std::vector<Ref>& sorted, const CategoryWords& words) {
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (!sorted[i]->Name().Equals(sorted[i - 1]->Name().c_str()))
            continue;
        size_t first = i - 1;
        while (first > 0 && sorted[first - 1]->Name().Equals(sorted[i]->Name().c_str()))
            --first;
        const std::wstring name = sorted[i]->Name().c_str();
        if (first == i - 1)
            LogWarnStr(kSource, words.sharedNameUsed,
                       (name + L" " + GuidText(sorted[first]->clsid)).c_str());
        LogWarnStr(kSource, words.sharedNameUnused,
                   (name + L" " + GuidText(sorted[i]->clsid)).c_str());
    }
}

} // namespace

PluginLists::PluginLists(CfgContext& context) : context_(context), none_(context, L"") {}

template <class Ref>
std::vector<Ref> PluginLists::ReplaceList(std::vector<Ref>& list, std::vector<Ref> with) {
    CfgLockGuard store(context_.lock);
    SrwGuard guard(lock_);
    list.swap(with);
    return with;
}

template <class Ref>
void PluginLists::UnloadList(std::vector<Ref>& list, const CategoryWords& words) {
    LogInfo(kSource, words.unloadBegin);
    std::vector<Ref> old = ReplaceList(list, {});
    for (const Ref& record : old) {
        // Released here, not under a lock: the last release runs plug-in code.
        if (auto object = record->TakeForUnload()) {
            object.Release();
            LogInfo(kSource, words.releasePlugin);
        }
    }
    LogInfo(kSource, words.unloadEnd);
}

template <class Record, class Plugin>
HRESULT PluginLists::LoadList(std::vector<std::shared_ptr<Record>>& list,
                              ICatInformation* categories, REFGUID category,
                              const CategoryWords& words, IQLX_BSTR_Collection* names) {
    CriticalSectionLock serial(loading_);
    LogInfo(kSource, words.loadBegin);
    UnloadList(list, words);
    if (!categories)
        return E_FAIL;
    return GuardedCall([&]() -> HRESULT {
        std::vector<CLSID> classes;
        if (FAILED(EnumerateCategory(categories, category, words, &classes)))
            return E_FAIL;
        std::vector<std::shared_ptr<Record>> loaded;
        for (const CLSID& clsid : classes) {
            ComPtr<Plugin> object;
            HRESULT hr = CreatePluginObject(clsid, std::addressof(object));
            if (FAILED(hr)) {
                LogWarnStr(kSource, words.cannotCreate, ClassDetail(clsid, hr).c_str());
                continue;
            }
            if (auto record = DescribePlugin(context_, clsid, object.Get()))
                loaded.push_back(std::move(record));
        }
        LogInfoNum(kSource, words.reallyLoaded, static_cast<long>(loaded.size()));
        LogInfo(kSource, words.loadEnd);
        if (loaded.empty()) {
            LogError(kSource, words.noneDetected);
            return E_FAIL;
        }
        SortByName(loaded);
        LogSharedNames(loaded, words);
        ReplaceList(list, loaded);
        if (names) {
            for (const auto& record : loaded) {
                ComBstr name(record->Name().c_str());
                HRESULT hr = names->Add(name);
                if (FAILED(hr))
                    LogErrorNum(kSource, L"Cannot add plugin name to the list", hr);
            }
        }
        return S_OK;
    });
}

HRESULT PluginLists::LoadFormats(ICatInformation* categories, IQLX_BSTR_Collection* names) {
    return LoadList<FormatRecord, IQLX_RPLUGIN>(formats_, categories, CATID_QlxRenderingPlugins,
                                                kFormatWords, names);
}

HRESULT PluginLists::LoadTransports(ICatInformation* categories, IQLX_BSTR_Collection* names) {
    return LoadList<TransportRecord, IQLX_TPLUGIN>(
        transports_, categories, CATID_QlxTransportPlugins, kTransportWords, names);
}

void PluginLists::UnloadFormats() {
    CriticalSectionLock serial(loading_);
    UnloadList(formats_, kFormatWords);
}

void PluginLists::UnloadTransports() {
    CriticalSectionLock serial(loading_);
    UnloadList(transports_, kTransportWords);
}

std::vector<TransportRef> PluginLists::Transports() const {
    SrwGuard guard(lock_);
    return transports_;
}

std::vector<FormatRef> PluginLists::Formats() const {
    SrwGuard guard(lock_);
    return formats_;
}

TransportRef PluginLists::FindTransport(const wchar_t* name) const {
    SrwGuard guard(lock_);
    return FindByName(transports_, name);
}

FormatRef PluginLists::FindFormat(const wchar_t* name) const {
    SrwGuard guard(lock_);
    return FindByName(formats_, name);
}

template <class Record, class Plugin>
HRESULT PluginLists::EnsureObjectOf(Record& record, bool* created) {
    if (created)
        *created = false;
    if (record.Object())
        return S_OK;
    if (record.Unloaded())
        return E_FAIL;
    ComPtr<Plugin> object;
    HRESULT hr = CreatePluginObject(record.clsid, std::addressof(object));
    if (FAILED(hr)) {
        const std::wstring detail =
            std::wstring(record.Name().c_str()) + L" " + ClassDetail(record.clsid, hr);
        LogWarnStr(kSource, L"Cannot create plugin again:", detail.c_str());
        return hr;
    }
    // The stored values go in before another thread can reach the new object.
    typename ParamsAdapterOf<Plugin>::Type adapter(object.Get());
    record.config.ApplyToPlugin(adapter);
    if (!record.SetObjectIfNone(object.Get()))
        return record.Object() ? S_OK : E_FAIL;
    if (created)
        *created = true;
    return S_OK;
}

HRESULT PluginLists::EnsureObject(TransportRecord& record, bool* created) {
    return EnsureObjectOf<TransportRecord, IQLX_TPLUGIN>(record, created);
}

HRESULT PluginLists::EnsureObject(FormatRecord& record, bool* created) {
    return EnsureObjectOf<FormatRecord, IQLX_RPLUGIN>(record, created);
}

unsigned PluginLists::Count(Group group) {
    SrwGuard guard(lock_);
    return static_cast<unsigned>(group == kTransports ? transports_.size() : formats_.size());
}

CfgData& PluginLists::Section(Group group, unsigned index) {
    SrwGuard guard(lock_);
    if (group == kTransports)
        return index < transports_.size() ? transports_[index]->config : none_;
    return index < formats_.size() ? formats_[index]->config : none_;
}

PluginParams* PluginLists::Params(Group group, unsigned index) {
    SrwGuard guard(lock_);
    if (group == kTransports) {
        if (index < transports_.size() && transports_[index]->Object())
            return &transports_[index]->StoreParams();
    } else if (index < formats_.size() && formats_[index]->Object()) {
        return &formats_[index]->StoreParams();
    }
    return nullptr;
}

bool PluginLists::Select(Group group, const wchar_t* names) {
    // Called by the store, which is not written for exceptions.
    try {
        if (group == kTransports)
            return !SelectTransports(names).empty();
        return SelectFormat(names);
    } catch (const std::bad_alloc&) {
        LogError(kSource, L"Plugin selection: out of memory");
        return false;
    }
}

std::wstring PluginLists::SelectTransports(const wchar_t* list) {
    LogInfoStr(kSource, L"CQLX::put_TransportImpl [", list ? list : L"");
    const std::vector<std::wstring> pieces = SplitAtCommas(list);
    std::wstring result;
    std::vector<std::wstring> used;
    {
        // The flags change under the lists' lock, so EnabledTransports sees one selection
        // whole, never a mix of the old and the new one.
        SrwGuard guard(lock_);
        std::vector<bool> named(transports_.size(), false);
        bool any = false;
        for (const std::wstring& piece : pieces) {
            // A name selects the first record of that name only.
            for (size_t i = 0; i < transports_.size(); ++i) {
                if (transports_[i]->Name().Equals(piece.c_str())) {
                    named[i] = true;
                    any = true;
                    break;
                }
            }
        }
        if (any) {
            for (size_t i = 0; i < transports_.size(); ++i) {
                transports_[i]->SetEnabled(named[i]);
                if (!named[i])
                    continue;
                used.emplace_back(transports_[i]->Name().c_str());
                if (!result.empty())
                    result += L',';
                result += transports_[i]->Name().c_str();
            }
        }
    }
    for (const std::wstring& name : used)
        LogInfoStr(kSource, L"use", name.c_str());
    LogInfo(kSource, L"CQLX::put_TransportImpl ]");
    return result;
}

std::vector<TransportRef> PluginLists::EnabledTransports() const {
    SrwGuard guard(lock_);
    std::vector<TransportRef> enabled;
    for (const TransportRef& record : transports_) {
        if (record->Enabled())
            enabled.push_back(record);
    }
    return enabled;
}

bool PluginLists::SelectFormat(const wchar_t* name) {
    LogInfoStr(kSource, L"put_FormatImpl [ ", name ? name : L"");
    FormatRef found = FindFormat(name);
    if (!found)
        return false;
    {
        SrwGuard guard(lock_);
        selectedFormat_ = found->Name().c_str();
        formatSelected_ = true;
    }
    LogInfoStr(kSource, L"use", found->Name().c_str());
    LogInfo(kSource, L"put_FormatImpl ]");
    return true;
}

FormatRef PluginLists::SelectedFormat() const {
    SrwGuard guard(lock_);
    if (!formatSelected_)
        return nullptr;
    return FindByName(formats_, selectedFormat_.c_str());
}
