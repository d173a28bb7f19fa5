#include "plugin_module.h"

#include <string>

#include "com_result.h"
#include "module_lock.h"
#include "reg_key.h"
#include "registration.h"

namespace {

// Registration runs under the system's default locale; the caller's comes back afterwards.
class SystemThreadLocale {
public:
    SystemThreadLocale() : saved_(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ~SystemThreadLocale() { SetThreadLocale(saved_); }
    SystemThreadLocale(const SystemThreadLocale&) = delete;
    SystemThreadLocale& operator=(const SystemThreadLocale&) = delete;

private:
    LCID saved_;
};

const GUID& Category(PluginKind kind) {
    return kind == PluginKind::kTransport ? kTransportCategory : kFormatCategory;
}

const TypeLibrarySource& Library(PluginKind kind) {
    return kind == PluginKind::kTransport ? kTransportTypeLibrary : kFormatTypeLibrary;
}

// Everything the registration of one class writes, built from its row.
struct ClassKeys {
    ClassKeys(const PluginClass& entry, const wchar_t* modulePath)
        : description(std::wstring(entry.stem) + L" Class"),
          progId(L"Quorvane." + std::wstring(entry.stem) + L".6.0"),
          independentProgId(L"Quorvane." + std::wstring(entry.stem)),
          bitmap(std::wstring(modulePath) + L", " + std::to_wstring(entry.bitmapId)),
          version(std::to_wstring(Library(entry.kind).major) + L"." +
                  std::to_wstring(Library(entry.kind).minor)) {
        subkeys[0] = {L"Programmable", nullptr, nullptr};
        subkeys[1] = {L"Control", nullptr, nullptr};
        subkeys[2] = {L"Insertable", nullptr, nullptr};
        subkeys[3] = {L"ToolboxBitmap32", nullptr, bitmap.c_str()};
        subkeys[4] = {L"MiscStatus", nullptr, L"0"};
        subkeys[5] = {L"MiscStatus\\1", nullptr, L"131473"};
        registration = {entry.clsid,
                        description.c_str(),
                        progId.c_str(),
                        independentProgId.c_str(),
                        ServerKind::kInprocServer,
                        modulePath,
                        L"Both",
                        Library(entry.kind).libid,
                        version.c_str(),
                        nullptr,
                        subkeys,
                        6,
                        entry.progIdDescription};
    }

    std::wstring description, progId, independentProgId, bitmap, version;
    ClassSubkey subkeys[6];
    ComClassRegistration registration;
};

bool ClassKeyExists(REFCLSID clsid) {
    const std::wstring path = L"Software\\Classes\\CLSID\\" + GuidText(clsid);
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE, ViewFlag(kOwnRegistryView));
}

} // namespace

HRESULT PluginGetClassObject(const PluginClass* classes, size_t count, REFCLSID clsid, REFIID iid,
                             void** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (IsEqualCLSID(clsid, *classes[i].clsid))
            return classes[i].factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT PluginCanUnloadNow() noexcept {
    return ModuleLock::Count() == 0 ? S_OK : S_FALSE;
}

HRESULT PluginRegisterServer(const PluginClass* classes, size_t count, HMODULE module) noexcept {
    SystemThreadLocale locale;
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (length > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    return GuardedCall([&] {
        for (size_t i = 0; i < count; ++i) {
            ClassKeys keys(classes[i], path);
            RETURN_IF_FAILED(RegisterComClass(keys.registration, kOwnRegistryView));
            RETURN_IF_FAILED(
                RegisterImplementedCategory(*classes[i].clsid, Category(classes[i].kind)));
        }
        return S_OK;
    });
}

HRESULT PluginUnregisterServer(const PluginClass* classes, size_t count) noexcept {
    SystemThreadLocale locale;
    return GuardedCall([&] {
        HRESULT result = S_OK;
        for (size_t i = 0; i < count; ++i) {
            // A class that is not registered has no category entry to remove (and the category
            // manager calls that a failure).
            HRESULT hr = S_OK;
            if (ClassKeyExists(*classes[i].clsid))
                hr = UnregisterImplementedCategory(*classes[i].clsid, Category(classes[i].kind));
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
            ClassKeys keys(classes[i], L"");
            hr = UnregisterComClass(keys.registration, kOwnRegistryView);
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
        return FAILED(result) ? result : S_OK;
    });
}
