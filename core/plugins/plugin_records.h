#pragma once
#include <windows.h>

#include <memory>
#include <utility>

#include "cfg_data.h"
#include "com_ptr.h"
#include "plugin_adapters.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"
#include "srw_lock.h"
#include "wstring.h"

// One loaded plug-in of either kind. Records are shared (std::shared_ptr): a thread that holds
// one keeps it, its section and its plug-in object alive even while the engine stops and frees
// its lists. The fields that change after loading are reached through the accessors only.
template <class Plugin> class PluginRecord {
public:
    PluginRecord(CfgContext& context, const CLSID& clsid, const wchar_t* name)
        : clsid(clsid), config(context, name) {}
    PluginRecord(const PluginRecord&) = delete;
    PluginRecord& operator=(const PluginRecord&) = delete;

    const CLSID clsid;
    CfgData config; // section = the plug-in's name (its identity); locks itself

    const WString& Name() const { return config.Section(); }
    // Null after unloading, or while the object cannot be created again.
    ComPtr<Plugin> Object() const {
        SrwGuard guard(lock_);
        return plugin_;
    }
    void SetObject(Plugin* plugin) {
        ComPtr<Plugin> replaced(plugin);
        {
            SrwGuard guard(lock_);
            std::swap(replaced, plugin_);
        }
        // The old object's last release may run plug-in code: not under the lock.
    }
    // Takes the object only when the record has none and was not unloaded (two threads
    // re-creating one plug-in keep the first object); false otherwise.
    bool SetObjectIfNone(Plugin* plugin) {
        SrwGuard guard(lock_);
        if (plugin_ || unloaded_)
            return false;
        plugin_ = plugin;
        return true;
    }
    // Gives the object away for good: the record is no longer in a list, so it must not be
    // given an object again by a thread that still holds it.
    ComPtr<Plugin> TakeForUnload() {
        SrwGuard guard(lock_);
        unloaded_ = true;
        cookie_ = 0;
        return std::move(plugin_);
    }
    bool Unloaded() const {
        SrwGuard guard(lock_);
        return unloaded_;
    }
    // Cookie of the engine's sink on this object; 0 when not connected.
    DWORD Cookie() const {
        SrwGuard guard(lock_);
        return cookie_;
    }
    void SetCookie(DWORD cookie) {
        SrwGuard guard(lock_);
        cookie_ = cookie;
    }

    // The store's view of this record. Each call reaches the object the record holds at that
    // moment and keeps it for the call, so a store operation never uses a released object; a
    // record without object answers E_FAIL.
    PluginParams& StoreParams() { return storeParams_; }

protected:
    mutable SrwLock lock_;
    ComPtr<Plugin> plugin_;
    DWORD cookie_ = 0;
    bool unloaded_ = false;

private:
    using Adapter = typename ParamsAdapterOf<Plugin>::Type;

    class StoreView final : public PluginParams {
    public:
        explicit StoreView(const PluginRecord& record) : record_(record) {}
        HRESULT PutParam(BSTR name, const VARIANT& value) override {
            ComPtr<Plugin> object = record_.Object();
            return object ? Adapter(object.Get()).PutParam(name, value) : E_FAIL;
        }
        HRESULT GetParam(BSTR name, VARIANT* value) override {
            ComPtr<Plugin> object = record_.Object();
            return object ? Adapter(object.Get()).GetParam(name, value) : E_FAIL;
        }
        HRESULT UpdateUI() override {
            ComPtr<Plugin> object = record_.Object();
            return object ? Adapter(object.Get()).UpdateUI() : E_FAIL;
        }
        HRESULT ResetParams() override {
            ComPtr<Plugin> object = record_.Object();
            return object ? Adapter(object.Get()).ResetParams() : E_FAIL;
        }

    private:
        const PluginRecord& record_;
    };

    StoreView storeParams_{*this};
};

class TransportRecord final : public PluginRecord<IQLX_TPLUGIN> {
public:
    using PluginRecord::PluginRecord;
    // Named in TransportPlugin; kept in memory only.
    bool Enabled() const {
        SrwGuard guard(lock_);
        return enabled_;
    }
    void SetEnabled(bool enabled) {
        SrwGuard guard(lock_);
        enabled_ = enabled;
    }

private:
    bool enabled_ = false;
};

class FormatRecord final : public PluginRecord<IQLX_RPLUGIN> {
public:
    FormatRecord(CfgContext& context, const CLSID& clsid, const wchar_t* name,
                 const wchar_t* extension)
        : PluginRecord(context, clsid, name), extension(extension) {}
    const WString extension; // from get_Extension, for {{EXT}}
};

using TransportRef = std::shared_ptr<TransportRecord>;
using FormatRef = std::shared_ptr<FormatRecord>;
