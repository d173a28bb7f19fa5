#include "engine_test_env.h"

#include "log.h"
#include "qlx_core.h"
#include "registry.h"
#include "product_key.h"
#include "reg_key.h"
#include "temp_dir.h"

CollectionClass::~CollectionClass() {
    registration_.Revoke();
    factory_.Release();
    if (library_)
        FreeLibrary(library_);
}

HRESULT CollectionClass::Register(const wchar_t* libraryPath) {
    library_ = LoadLibraryW(libraryPath);
    if (!library_)
        return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto entry = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(library_, "DllGetClassObject")));
    if (!entry)
        return E_NOINTERFACE;
    HRESULT hr = entry(CLSID_QLX_BSTR_Collection, IID_IClassFactory, factory_.AsVoidOut());
    if (FAILED(hr))
        return hr;
    return registration_.Register(CLSID_QLX_BSTR_Collection, factory_, CLSCTX_INPROC_SERVER);
}

TestLog::TestLog(const std::wstring& path) : path_(path) {
    RegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, ProductKey(), KEY_SET_VALUE)) {
        auto setString = [&](const wchar_t* name, const std::wstring& value) {
            RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        };
        setString(L"LogFile", path);
        setString(L"LogMutexName", L"QlxEngineTestLog");
        const DWORD level = 3;
        RegSetValueExW(key.Get(), L"LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level),
                       sizeof(level));
    }
    LoadLogConfig();
}

TestLog::~TestLog() {
    UnloadLogConfig();
}

std::string TestLog::Text() const {
    std::string text;
    ReadWholeFile(path_, &text);
    return text;
}
