#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "cfg_lock.h"

// What the store needs from the engine: whether a user interface is connected, and a way to
// announce changes. UILoadedCount is asked with the store's lock held and must not wait;
// PostOnSettingChanged is called without it, so listeners may call back into the store.
class CfgEngine {
public:
    virtual LONG UILoadedCount() = 0;
    // OnSettingChanged(target, param, newVal); newVal is VT_EMPTY when nothing changed.
    virtual void PostOnSettingChanged(BSTR target, BSTR param, const VARIANT& newVal) = 0;

protected:
    ~CfgEngine() = default;
};

// Shared by the core section and every plug-in section of one engine.
struct CfgContext {
    CfgLock lock;
    CfgEngine* engine = nullptr;
    // Where byte-array files live (DriverPath + "data\"), ending in a backslash.
    std::wstring dataFolder;
};

// The two registry trees a configuration is stored in.
enum class CfgTree { kUser, kMachine };

inline HKEY RootOf(CfgTree tree) {
    return tree == CfgTree::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}
