// The module's exports: only the Unidrv user-interface plug-in class is handed out.
#include <windows.h>

#include "class_factory.h"
#include "document_events.h"
#include "module_ids.h"
#include "module_instance.h"
#include "module_lock.h"
#include "oem_ui_plugin.h"
#include "product_key.h"

namespace {

HINSTANCE g_instance = nullptr;
ClassFactory<IOemUI> g_factory;

const ClassEntry kClasses[] = {{&CLSID_OEMUI, &g_factory}};

} // namespace

HINSTANCE ModuleInstance() {
    return g_instance;
}

void SetModuleInstance(HINSTANCE instance) {
    g_instance = instance;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        LoadProductKey(instance, kProductKeyStringId);
        SetModuleInstance(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded while the process goes on. At its end the system closes the handle, and a
        // thread it ended may still hold the state's lock.
        ReleaseDocumentEventState();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return GetClassObjectFromTable(kClasses, 1, clsid, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return ModuleLock::Count() == 0 ? S_OK : S_FALSE;
}
