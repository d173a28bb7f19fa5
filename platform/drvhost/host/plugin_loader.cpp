#include "plugin_loader.h"

#include <unknwn.h>

namespace {

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

} // namespace

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

bool LoadPluginObject(const std::wstring& path, REFCLSID clsid, REFIID iid, const wchar_t* what,
                      HMODULE* module, void** object, std::wstring* error) {
    *object = nullptr;
    *module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!*module) {
        *error = L"cannot load " + path + L": error " + std::to_wstring(GetLastError());
        return false;
    }
    auto get_class_object = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(*module, "DllGetClassObject")));
    if (!get_class_object) {
        *error = L"the module exports no DllGetClassObject";
        return false;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = get_class_object(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        *error = std::wstring(L"no class factory for the ") + what + L": " + Hex(hr);
        return false;
    }
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    if (FAILED(hr) || !*object) {
        *error = std::wstring(L"no interface of the ") + what + L": " + Hex(hr);
        return false;
    }
    return true;
}
