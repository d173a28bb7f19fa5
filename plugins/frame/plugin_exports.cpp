// The exports of a plug-in library, over the class table the library defines.
#include "plugin_module.h"
#include "type_library.h"

extern "C" {

STDAPI DllCanUnloadNow() {
    return PluginCanUnloadNow();
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return PluginGetClassObject(kPluginClasses, kPluginClassCount, clsid, iid, out);
}

STDAPI DllRegisterServer() {
    return PluginRegisterServer(kPluginClasses, kPluginClassCount, CurrentModule());
}

STDAPI DllUnregisterServer() {
    return PluginUnregisterServer(kPluginClasses, kPluginClassCount);
}
}
