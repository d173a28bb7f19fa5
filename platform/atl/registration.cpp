#include "registration.h"

#include <comcat.h>
#include <oleauto.h>

#include "com_ptr.h"
#include "com_result.h"
#include "reg_key.h"

const CLSID kPSDispatchClsid = {
    0x00020420, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

const wchar_t kClassesRoot[] = L"Software\\Classes";

HRESULT FromRegistryError(LSTATUS status) {
    return HRESULT_FROM_WIN32(status);
}

// Creates root\Software\Classes\path in the view and sets one string value (name null for the
// default value).
HRESULT SetClassesString(RegistryView view, const std::wstring& path, const wchar_t* name,
                         const wchar_t* value) {
    std::wstring full = std::wstring(kClassesRoot) + L"\\" + path;
    HKEY key = nullptr;
    LSTATUS status =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, full.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | ViewFlag(view), nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return FromRegistryError(status);
    RegKey holder(key);
    if (!value)
        return S_OK;
    status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    return FromRegistryError(status);
}

HRESULT SetClassesDword(RegistryView view, const std::wstring& path, const wchar_t* name,
                        DWORD value) {
    std::wstring full = std::wstring(kClassesRoot) + L"\\" + path;
    HKEY raw = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, full.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | ViewFlag(view),
                                     nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS)
        return FromRegistryError(status);
    RegKey key(raw);
    return FromRegistryError(RegSetValueExW(key.Get(), name, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof(value)));
}

// Deletes parent\name with its subkeys, every open in the view: the library's tree delete
// opens subkeys without a view, which a 32-bit process then reads in its own.
LSTATUS DeleteTreeInView(HKEY parent, const std::wstring& name, REGSAM view) {
    HKEY raw = nullptr;
    LSTATUS status = RegOpenKeyExW(parent, name.c_str(), 0,
                                   KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE | view, &raw);
    if (status != ERROR_SUCCESS)
        return status;
    RegKey key(raw);
    for (;;) {
        wchar_t child[256];
        DWORD length = 256;
        status = RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            return status;
        status = DeleteTreeInView(key.Get(), child, view);
        if (status != ERROR_SUCCESS)
            return status;
    }
    key.Close();
    return RegDeleteKeyExW(parent, name.c_str(), view, 0);
}

// Removes Software\Classes\path with everything below it; a missing key is no error.
HRESULT DeleteClassesTree(RegistryView view, const std::wstring& path) {
    // Only a missing classes key means nothing to remove; access denied is a failure.
    HKEY raw = nullptr;
    LSTATUS status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassesRoot, 0, KEY_ALL_ACCESS | ViewFlag(view), &raw);
    if (status == ERROR_FILE_NOT_FOUND)
        return S_OK;
    if (status != ERROR_SUCCESS)
        return FromRegistryError(status);
    RegKey classes(raw);
    status = DeleteTreeInView(classes.Get(), path, ViewFlag(view));
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : FromRegistryError(status);
}

// Whether root\Software\Classes\progId\CLSID names clsid (so removing it hurts no other class).
bool ProgIdNamesClass(RegistryView view, const wchar_t* progId, const std::wstring& clsid) {
    std::wstring path = std::wstring(kClassesRoot) + L"\\" + progId + L"\\CLSID";
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE, ViewFlag(view)))
        return false;
    wchar_t value[64] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    DWORD type = 0;
    LSTATUS status =
        RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    return status == ERROR_SUCCESS && type == REG_SZ && _wcsicmp(value, clsid.c_str()) == 0;
}

HRESULT RegisterProgId(RegistryView view, const wchar_t* progId, const wchar_t* description,
                       const std::wstring& clsid, const wchar_t* curVer) {
    RETURN_IF_FAILED(DeleteClassesTree(view, progId));
    RETURN_IF_FAILED(SetClassesString(view, progId, nullptr, description));
    RETURN_IF_FAILED(
        SetClassesString(view, std::wstring(progId) + L"\\CLSID", nullptr, clsid.c_str()));
    if (curVer)
        RETURN_IF_FAILED(
            SetClassesString(view, std::wstring(progId) + L"\\CurVer", nullptr, curVer));
    return S_OK;
}

HRESULT RegisterComClassBody(const ComClassRegistration& entry, RegistryView view) {
    const std::wstring clsid = GuidText(*entry.clsid);
    const std::wstring key = L"CLSID\\" + clsid;
    RETURN_IF_FAILED(DeleteClassesTree(view, key));
    RETURN_IF_FAILED(SetClassesString(view, key, nullptr, entry.description));
    const bool local = entry.kind == ServerKind::kLocalServer;
    const std::wstring server = key + (local ? L"\\LocalServer32" : L"\\InprocServer32");
    RETURN_IF_FAILED(SetClassesString(view, server, nullptr, entry.serverPath));
    if (!local && entry.threadingModel)
        RETURN_IF_FAILED(SetClassesString(view, server, L"ThreadingModel", entry.threadingModel));
    if (entry.progId)
        RETURN_IF_FAILED(SetClassesString(view, key + L"\\ProgID", nullptr, entry.progId));
    if (entry.versionIndependentProgId)
        RETURN_IF_FAILED(SetClassesString(view, key + L"\\VersionIndependentProgID", nullptr,
                                          entry.versionIndependentProgId));
    if (entry.typeLib)
        RETURN_IF_FAILED(
            SetClassesString(view, key + L"\\TypeLib", nullptr, GuidText(*entry.typeLib).c_str()));
    if (entry.typeLibVersion)
        RETURN_IF_FAILED(SetClassesString(view, key + L"\\Version", nullptr, entry.typeLibVersion));
    if (entry.appId)
        RETURN_IF_FAILED(SetClassesString(view, key, L"AppID", GuidText(*entry.appId).c_str()));
    for (size_t i = 0; i < entry.subkeyCount; ++i) {
        const ClassSubkey& subkey = entry.subkeys[i];
        RETURN_IF_FAILED(
            SetClassesString(view, key + L"\\" + subkey.path, subkey.name, subkey.value));
    }
    if (entry.progId)
        RETURN_IF_FAILED(RegisterProgId(
            view, entry.progId,
            entry.progIdDescription ? entry.progIdDescription : entry.description, clsid,
            nullptr));
    if (entry.versionIndependentProgId)
        RETURN_IF_FAILED(RegisterProgId(view, entry.versionIndependentProgId, entry.description,
                                        clsid, entry.progId));
    return S_OK;
}

HRESULT UnregisterComClassBody(const ComClassRegistration& entry, RegistryView view) {
    const std::wstring clsid = GuidText(*entry.clsid);
    for (const wchar_t* progId : {entry.progId, entry.versionIndependentProgId}) {
        if (progId && ProgIdNamesClass(view, progId, clsid))
            RETURN_IF_FAILED(DeleteClassesTree(view, progId));
    }
    return DeleteClassesTree(view, L"CLSID\\" + clsid);
}

} // namespace

REGSAM ViewFlag(RegistryView view) noexcept {
    return view == RegistryView::k32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

HRESULT RegisterComClass(const ComClassRegistration& entry, RegistryView view) noexcept {
    return GuardedCall([&] { return RegisterComClassBody(entry, view); });
}

HRESULT UnregisterComClass(const ComClassRegistration& entry, RegistryView view) noexcept {
    return GuardedCall([&] { return UnregisterComClassBody(entry, view); });
}

HRESULT RegisterAppId(REFGUID appId, const wchar_t* name, const wchar_t* programFileName,
                      DWORD authenticationLevel, RegistryView view) noexcept {
    return GuardedCall([&] {
        const std::wstring id = GuidText(appId);
        const std::wstring key = L"AppID\\" + id;
        RETURN_IF_FAILED(SetClassesString(view, key, nullptr, name));
        RETURN_IF_FAILED(SetClassesDword(view, key, L"AuthenticationLevel", authenticationLevel));
        if (programFileName)
            RETURN_IF_FAILED(SetClassesString(view, std::wstring(L"AppID\\") + programFileName,
                                              L"AppID", id.c_str()));
        return S_OK;
    });
}

HRESULT UnregisterAppId(REFGUID appId, const wchar_t* programFileName, RegistryView view) noexcept {
    return GuardedCall([&] {
        if (programFileName)
            RETURN_IF_FAILED(DeleteClassesTree(view, std::wstring(L"AppID\\") + programFileName));
        return DeleteClassesTree(view, L"AppID\\" + GuidText(appId));
    });
}

HRESULT RegisterInterfaceMarshaler(REFIID iid, const wchar_t* name, REFCLSID proxyStub,
                                   RegistryView view) noexcept {
    return GuardedCall([&] {
        const std::wstring key = L"Interface\\" + GuidText(iid);
        const std::wstring marshaler = GuidText(proxyStub);
        RETURN_IF_FAILED(SetClassesString(view, key, nullptr, name));
        RETURN_IF_FAILED(
            SetClassesString(view, key + L"\\ProxyStubClsid32", nullptr, marshaler.c_str()));
        return SetClassesString(view, key + L"\\ProxyStubClsid", nullptr, marshaler.c_str());
    });
}

HRESULT UnregisterInterfaceMarshaler(REFIID iid, RegistryView view) noexcept {
    return GuardedCall([&] { return DeleteClassesTree(view, L"Interface\\" + GuidText(iid)); });
}

HRESULT RegisterTypeLibraryFile(const wchar_t* path) noexcept {
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library));
    return RegisterTypeLib(library, const_cast<wchar_t*>(path), nullptr);
}

HRESULT UnregisterTypeLibraryFile(const wchar_t* path) noexcept {
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(path, REGKIND_NONE, &library));
    TLIBATTR* attributes = nullptr;
    RETURN_IF_FAILED(library->GetLibAttr(&attributes));
    TLIBATTR copy = *attributes;
    library->ReleaseTLibAttr(attributes);
    return UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid,
                             copy.syskind);
}

namespace {

HRESULT CategoryManager(ICatRegister** out) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                            IID_ICatRegister, reinterpret_cast<void**>(out));
}

} // namespace

HRESULT RegisterComponentCategory(REFGUID catid, const wchar_t* name) noexcept {
    ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CategoryManager(&manager));
    CATEGORYINFO info = {};
    info.catid = catid;
    info.lcid = 0x409;
    lstrcpynW(info.szDescription, name, sizeof(info.szDescription) / sizeof(wchar_t));
    return manager->RegisterCategories(1, &info);
}

HRESULT UnregisterComponentCategory(REFGUID catid) noexcept {
    ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CategoryManager(&manager));
    CATID one = catid;
    return manager->UnRegisterCategories(1, &one);
}

HRESULT RegisterImplementedCategory(REFCLSID clsid, REFGUID catid) noexcept {
    ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CategoryManager(&manager));
    CATID one = catid;
    return manager->RegisterClassImplCategories(clsid, 1, &one);
}

HRESULT UnregisterImplementedCategory(REFCLSID clsid, REFGUID catid) noexcept {
    ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CategoryManager(&manager));
    CATID one = catid;
    return manager->UnRegisterClassImplCategories(clsid, 1, &one);
}
