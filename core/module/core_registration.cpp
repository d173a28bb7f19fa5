#include "core_registration.h"

#include <string>

#include "com_result.h"
#include "core_ids.h"
#include "handle.h"
#include "log.h"
#include "parent_folder.h"
#include "qlx_core.h"
#include "registration.h"

namespace {

constexpr DWORD kRegsvrWaitMs = 60000;

const RegistryView kViews[] = {RegistryView::k32, RegistryView::k64};

std::wstring FileNameOf(const std::wstring& path) {
    const size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? path : path.substr(last + 1);
}

std::wstring Beside(const std::wstring& program, const wchar_t* file) {
    std::wstring folder = ParentFolder(program);
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder + file;
}

ComClassRegistration EngineClass(const wchar_t* programPath) {
    return {&kCoreEngineClsid,        kCoreClassName, kCoreProgId, kCoreIndependentProgId,
            ServerKind::kLocalServer, programPath,    nullptr,     &kCoreTypeLibId,
            kCoreTypeLibVersion,      &kCoreAppId};
}

bool ClassesKeyThere(const std::wstring& path, RegistryView view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), 0,
                      KEY_QUERY_VALUE | ViewFlag(view), &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// Calls DllRegisterServer or DllUnregisterServer of a library of this process's bitness.
HRESULT CallLibraryRegistration(const std::wstring& path, bool add) {
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(
        GetProcAddress(module, add ? "DllRegisterServer" : "DllUnregisterServer")));
    const HRESULT hr = entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return hr;
}

bool MachineHas64BitSide() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// A 32-bit process can't load a 64-bit library: the 64-bit regsvr32 does it (reached through
// Sysnative, which the file system redirection would otherwise hide).
HRESULT Run64BitRegsvr(const std::wstring& library, bool add) {
    wchar_t windows[MAX_PATH + 1];
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return E_FAIL;
    std::wstring command = L"\"" + std::wstring(windows) + L"\\Sysnative\\regsvr32.exe\" /s ";
    if (!add)
        command += L"/u ";
    command += L"\"" + library + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return HRESULT_FROM_WIN32(GetLastError());
    UniqueHandle thread(process.hThread), handle(process.hProcess);
    if (WaitForSingleObject(handle.Get(), kRegsvrWaitMs) != WAIT_OBJECT_0) {
        TerminateProcess(handle.Get(), 1);
        return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    }
    DWORD code = 1;
    GetExitCodeProcess(handle.Get(), &code);
    return code == 0 ? S_OK : E_FAIL;
}

HRESULT RegisterProxies(const std::wstring& program, bool add) {
    const std::wstring proxy32 = Beside(program, kProxyLibrary32);
    const std::wstring proxy64 = Beside(program, kProxyLibrary64);
    if (add) {
        RETURN_IF_FAILED(CallLibraryRegistration(proxy32, true));
        if (MachineHas64BitSide()) {
            if (GetFileAttributesW(proxy64.c_str()) == INVALID_FILE_ATTRIBUTES)
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            RETURN_IF_FAILED(Run64BitRegsvr(proxy64, true));
        }
        return S_OK;
    }
    // Proxies whose interfaces are gone were removed before.
    const std::wstring marshaled = L"Interface\\" + GuidText(IID_IQLX_INT);
    HRESULT first = S_OK;
    if (MachineHas64BitSide() && ClassesKeyThere(marshaled, RegistryView::k64) &&
        GetFileAttributesW(proxy64.c_str()) != INVALID_FILE_ATTRIBUTES)
        first = Run64BitRegsvr(proxy64, false);
    if (ClassesKeyThere(marshaled, kOwnRegistryView) &&
        GetFileAttributesW(proxy32.c_str()) != INVALID_FILE_ATTRIBUTES) {
        const HRESULT hr = CallLibraryRegistration(proxy32, false);
        if (SUCCEEDED(first))
            first = hr;
    }
    return first;
}

// The category manager refuses to remove a category that is not there.
HRESULT UnregisterCategoryIfThere(REFGUID catid) {
    if (!ClassesKeyThere(L"Component Categories\\" + GuidText(catid), kOwnRegistryView))
        return S_OK;
    return UnregisterComponentCategory(catid);
}

// A type library that is not registered leaves nothing to remove.
bool NothingToRemove(HRESULT hr) {
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED ||
           hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT RegisterBody(const std::wstring& program) {
    // The type library first: registering it rewrites the marshaler of its dual interface,
    // which the proxies registered after it set back.
    RETURN_IF_FAILED(RegisterTypeLibraryFile(program.c_str()));
    const std::wstring fileName = FileNameOf(program);
    const ComClassRegistration engine = EngineClass(program.c_str());
    for (RegistryView view : kViews) {
        RETURN_IF_FAILED(RegisterAppId(kCoreAppId, kCoreAppName, fileName.c_str(),
                                       kCoreAuthenticationLevel, view));
        RETURN_IF_FAILED(RegisterComClass(engine, view));
    }
    RETURN_IF_FAILED(RegisterProxies(program, true));
    RETURN_IF_FAILED(RegisterComponentCategory(kFormatCategoryId, kFormatCategoryName));
    return RegisterComponentCategory(kTransportCategoryId, kTransportCategoryName);
}

HRESULT UnregisterBody(const std::wstring& program) {
    HRESULT first = S_OK;
    auto note = [&first](HRESULT hr) {
        if (FAILED(hr) && SUCCEEDED(first))
            first = hr;
    };
    note(UnregisterCategoryIfThere(kTransportCategoryId));
    note(UnregisterCategoryIfThere(kFormatCategoryId));
    note(RegisterProxies(program, false));
    const std::wstring fileName = FileNameOf(program);
    const ComClassRegistration engine = EngineClass(program.c_str());
    for (RegistryView view : kViews) {
        note(UnregisterComClass(engine, view));
        note(UnregisterAppId(kCoreAppId, fileName.c_str(), view));
    }
    // Wine answers E_INVALIDARG for a library that is not registered: look first.
    if (ClassesKeyThere(L"TypeLib\\" + GuidText(kCoreTypeLibId), RegistryView::k32)) {
        const HRESULT library = UnregisterTypeLibraryFile(program.c_str());
        if (!NothingToRemove(library))
            note(library);
    }
    return first;
}

} // namespace

HRESULT RegisterCoreServer(const wchar_t* programPath) noexcept {
    const HRESULT hr = GuardedCall([&] { return RegisterBody(programPath); });
    if (FAILED(hr))
        LogErrorNum(L'C', L"CCoreModule::RegisterServer failed", hr);
    return hr;
}

HRESULT UnregisterCoreServer(const wchar_t* programPath) noexcept {
    const HRESULT hr = GuardedCall([&] { return UnregisterBody(programPath); });
    if (FAILED(hr))
        LogErrorNum(L'C', L"CCoreModule::UnregisterServer failed", hr);
    return hr;
}
