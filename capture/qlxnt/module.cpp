// The module's exports: only the rendering plug-in class is handed out.
#include <windows.h>

#include "class_factory.h"
#include "module_ids.h"
#include "module_lock.h"
#include "module_state.h"
#include "oem_uni.h"

namespace {

ClassFactory<IOemUni> g_factory;

const ClassEntry kClasses[] = {{&CLSID_OEMRENDER, &g_factory}};

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        Module::Attach(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        Module::Detach();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return GetClassObjectFromTable(kClasses, 1, clsid, iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return ModuleLock::Count() == 0 ? S_OK : S_FALSE;
}
