// Exports of the string collection library: one in-process class, usable from any apartment.
#include <windows.h>

#include "class_factory.h"
#include "qlx_core.h"
#include "registration.h"
#include "string_collection.h"
#include "type_library.h"

namespace {

ClassFactory<CStringCollection> g_factory;

const ClassEntry kClasses[] = {{&CLSID_QLX_BSTR_Collection, &g_factory}};

ComClassRegistration Registration(const wchar_t* path) {
    return {&CLSID_QLX_BSTR_Collection,
            L"QLX String Collection Class",
            L"Quorvane.QLX_BSTR_Collection.6.0",
            L"Quorvane.QLX_BSTR_Collection",
            ServerKind::kInprocServer,
            path,
            L"Both",
            &LIBID_QLX_CORELib,
            L"6.0",
            nullptr};
}

} // namespace

extern "C" {

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return GetClassObjectFromTable(kClasses, 1, clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
    return ModuleLock::Count() == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(CurrentModule(), path, MAX_PATH + 1);
    if (length == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (length > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return RegisterComClass(Registration(path), kOwnRegistryView);
}

STDAPI DllUnregisterServer() {
    return UnregisterComClass(Registration(L""), kOwnRegistryView);
}
}
