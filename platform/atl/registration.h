#pragma once
#include <windows.h>

#include <string>

// Registry helpers for COM servers. Every key is written under the machine's classes key
// (HKEY_LOCAL_MACHINE, Software, Classes) in the registry view asked for, so one 32-bit program can
// register a server for both 32-bit and 64-bit clients. Results are HRESULTs from the registry's
// own error codes.

enum class RegistryView { k32, k64 };
REGSAM ViewFlag(RegistryView view) noexcept;

// The view of the running module's own bitness.
constexpr RegistryView kOwnRegistryView =
#ifdef _WIN64
    RegistryView::k64;
#else
    RegistryView::k32;
#endif

enum class ServerKind { kLocalServer, kInprocServer };

// A further subkey of the class key (an ActiveX control's "Control", "MiscStatus\1", ...):
// path below the class key, value name (null for the default value) and text (null: the key
// alone).
struct ClassSubkey {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* value;
};

struct ComClassRegistration {
    const CLSID* clsid;
    const wchar_t* description;
    const wchar_t* progId;                   // versioned ("X.Y.6.0"), null for none
    const wchar_t* versionIndependentProgId; // its CurVer names progId; null for none
    ServerKind kind;
    const wchar_t* serverPath;     // program or library, full path
    const wchar_t* threadingModel; // in-process only; null for none
    const GUID* typeLib;           // null for none
    const wchar_t* typeLibVersion; // "6.0"
    const GUID* appId;             // null for none
    const ClassSubkey* subkeys = nullptr;
    size_t subkeyCount = 0;
    const wchar_t* progIdDescription = nullptr; // the versioned ProgID's default; null: description
};

// "{XXXXXXXX-...}" in upper case.
std::wstring GuidText(REFGUID guid);

// Writes the class key and its ProgIDs; an earlier class key is removed first, so registering
// twice leaves one set of keys.
HRESULT RegisterComClass(const ComClassRegistration& entry, RegistryView view) noexcept;
// Removes the class key and the ProgIDs that name this class. Missing keys are no error.
HRESULT UnregisterComClass(const ComClassRegistration& entry, RegistryView view) noexcept;

// AppID key with its name and AuthenticationLevel, and the program's file name mapped to it.
HRESULT RegisterAppId(REFGUID appId, const wchar_t* name, const wchar_t* programFileName,
                      DWORD authenticationLevel, RegistryView view) noexcept;
HRESULT UnregisterAppId(REFGUID appId, const wchar_t* programFileName, RegistryView view) noexcept;

// Interface key naming the proxy/stub class that marshals it (for a dispinterface the
// automation marshaler, PSDispatch).
HRESULT RegisterInterfaceMarshaler(REFIID iid, const wchar_t* name, REFCLSID proxyStub,
                                   RegistryView view) noexcept;
HRESULT UnregisterInterfaceMarshaler(REFIID iid, RegistryView view) noexcept;
extern const CLSID kPSDispatchClsid;

// Type library registration through oleaut32 (in the caller's own view). Registering rewrites
// the marshaler of the library's dual interfaces, so proxies are registered after it.
HRESULT RegisterTypeLibraryFile(const wchar_t* path) noexcept;
HRESULT UnregisterTypeLibraryFile(const wchar_t* path) noexcept;

// Component categories through the category manager (ICatRegister), names under locale 409.
HRESULT RegisterComponentCategory(REFGUID catid, const wchar_t* name) noexcept;
HRESULT UnregisterComponentCategory(REFGUID catid) noexcept;
HRESULT RegisterImplementedCategory(REFCLSID clsid, REFGUID catid) noexcept;
HRESULT UnregisterImplementedCategory(REFCLSID clsid, REFGUID catid) noexcept;
