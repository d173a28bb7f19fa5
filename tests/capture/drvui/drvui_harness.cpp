#include "drvui_harness.h"

#include "job_objects.h"

namespace {

// The module's class; the tests name it apart from the module's own header.
constexpr CLSID kUiPluginClass = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(WINAPI*)();

} // namespace

LoadedModule::LoadedModule() : module_(LoadLibraryW(QLX_DRVUI_MODULE)) {}

LoadedModule::~LoadedModule() {
    if (module_)
        FreeLibrary(module_);
}

HRESULT LoadedModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const {
    auto get = module_ ? reinterpret_cast<GetClassObjectFn>(
                             reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")))
                       : nullptr;
    return get ? get(clsid, iid, out) : E_UNEXPECTED;
}

HRESULT LoadedModule::CanUnloadNow() const {
    auto can = module_ ? reinterpret_cast<CanUnloadNowFn>(
                             reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")))
                       : nullptr;
    return can ? can() : E_UNEXPECTED;
}

IPrintOemUI2* LoadedModule::CreatePlugin() const {
    IClassFactory* factory = nullptr;
    if (FAILED(
            GetClassObject(kUiPluginClass, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IPrintOemUI2* plugin = nullptr;
    factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&plugin));
    factory->Release();
    return plugin;
}

FakeRelayFolder::FakeRelayFolder(const wchar_t* mode, const std::wstring& name) {
    folder_ = temp_.File(name);
    log_ = temp_.File(L"starts.txt");
    installed_ = CreateDirectoryW(folder_.c_str(), nullptr) &&
                 CopyFileW(QLX_FAKE_RELAY_PROGRAM, (folder_ + L"\\qlxstub.exe").c_str(), FALSE);
    // The application's environment is the relay's.
    SetEnvironmentVariableW(L"QLX_FAKE_RELAY_LOG", log_.c_str());
    SetEnvironmentVariableW(L"QLX_FAKE_RELAY_MODE", mode);
}

FakeRelayFolder::~FakeRelayFolder() {
    // A hanging stand-in lets go of its folder.
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, L"qlx_fake_relay_release"));
    if (release)
        SetEvent(release.Get());
    SetEnvironmentVariableW(L"QLX_FAKE_RELAY_LOG", nullptr);
    SetEnvironmentVariableW(L"QLX_FAKE_RELAY_MODE", nullptr);
    for (int i = 0; i < 50 && !DeleteFileW((folder_ + L"\\qlxstub.exe").c_str()) &&
                    GetLastError() != ERROR_FILE_NOT_FOUND;
         ++i)
        Sleep(100);
}

std::wstring FakeRelayFolder::StartLines() const {
    std::string bytes;
    if (!ReadWholeFile(log_, &bytes))
        return L"";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

HRESULT CreateDcPre(IPrintOemUI2* plugin, HANDLE printer, const wchar_t* device, INT escape) {
    DOCEVENT_CREATEDCPRE create = {};
    create.pszDevice = const_cast<wchar_t*>(device);
    INT result = 0;
    return plugin->DocumentEvent(printer, nullptr, escape, sizeof(create), &create, 0, nullptr,
                                 &result);
}

HRESULT StartDocPost(IPrintOemUI2* plugin, HANDLE printer, LONG job_id, INT escape) {
    INT result = 0;
    return plugin->DocumentEvent(printer, reinterpret_cast<HDC>(printer), escape, sizeof(job_id),
                                 &job_id, 0, nullptr, &result);
}

bool JobEventExists(long job_id, bool* is_set) {
    UniqueHandle event(
        OpenEventW(SYNCHRONIZE, FALSE, JobEventName(kDefaultObjectPrefix, job_id).c_str()));
    if (is_set)
        *is_set = event && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
    return event.Valid();
}

bool WaitForJobEventGone(long job_id, DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 50) {
        if (!JobEventExists(job_id))
            return true;
        Sleep(50);
    }
    return !JobEventExists(job_id);
}
