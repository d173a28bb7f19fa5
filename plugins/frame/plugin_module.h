#pragma once
#include <windows.h>
#include <unknwn.h>

#include "class_factory.h"
#include "plugin_ids.h"

// One class of a plug-in library. A real plug-in library has one; a test library may have more.
struct PluginClass {
    const CLSID* clsid;
    IClassFactory* factory; // an AggregatableClassFactory: hosts may aggregate a plug-in
    PluginKind kind;
    const wchar_t* stem; // ProgIDs "Quorvane." + stem (+ ".6.0"), description stem + " Class"
    int bitmapId;        // the toolbox bitmap's resource id
    const wchar_t* progIdDescription; // the versioned ProgID's default when it differs; or null
};

// The class table of the library, defined by each plug-in library.
extern const PluginClass kPluginClasses[];
extern const size_t kPluginClassCount;

// The four exports over a class table. Registration writes each class's keys and its
// implemented category under the system's default thread locale; unregistration removes them.
HRESULT PluginGetClassObject(const PluginClass* classes, size_t count, REFCLSID clsid, REFIID iid,
                             void** out) noexcept;
HRESULT PluginCanUnloadNow() noexcept;
HRESULT PluginRegisterServer(const PluginClass* classes, size_t count, HMODULE module) noexcept;
HRESULT PluginUnregisterServer(const PluginClass* classes, size_t count) noexcept;
