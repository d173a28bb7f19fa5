#include "rendering_module.h"

namespace {

// {6D6ABF26-9F38-11D1-882A-00C04FB961EC}: the rendering plug-in class Unidrv asks for.
constexpr CLSID kRenderingPluginClass = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
constexpr DWORD kPluginInterfaceVersion = 0x00010000;

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

} // namespace

std::unique_ptr<RenderingModule> RenderingModule::Load(const std::wstring& path,
                                                       std::wstring* error) {
    std::unique_ptr<RenderingModule> loaded(new RenderingModule);
    // Its own imports are looked for beside it first, as the driver folder is for Unidrv.
    loaded->module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!loaded->module_) {
        *error = L"cannot load " + path + L": error " + std::to_wstring(GetLastError());
        return nullptr;
    }
    auto get_class_object = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(loaded->module_, "DllGetClassObject")));
    if (!get_class_object) {
        *error = L"the module exports no DllGetClassObject";
        return nullptr;
    }
    IClassFactory* factory = nullptr;
    HRESULT hr = get_class_object(kRenderingPluginClass, IID_IClassFactory,
                                  reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || !factory) {
        *error = L"no class factory for the rendering plug-in: " + Hex(hr);
        return nullptr;
    }
    hr = factory->CreateInstance(nullptr, IID_IPrintOemUni,
                                 reinterpret_cast<void**>(&loaded->plugin_));
    factory->Release();
    if (FAILED(hr) || !loaded->plugin_) {
        *error = L"no IPrintOemUni: " + Hex(hr);
        return nullptr;
    }
    if (!loaded->Enable(error))
        return nullptr;
    return loaded;
}

bool RenderingModule::Enable(std::wstring* error) {
    DWORD signature = 0, needed = 0;
    HRESULT hr = plugin_->GetInfo(OEMGI_GETSIGNATURE, &signature, sizeof signature, &needed);
    if (FAILED(hr)) {
        *error = L"GetInfo for the signature failed: " + Hex(hr);
        return false;
    }
    plugin_->PublishDriverInterface(nullptr);
    hr = plugin_->EnableDriver(kPluginInterfaceVersion, sizeof hooks_, &hooks_);
    if (FAILED(hr)) {
        *error = L"EnableDriver failed: " + Hex(hr);
        return false;
    }
    enabled_ = true;
    return true;
}

PFN RenderingModule::Hook(ULONG index) const {
    for (ULONG i = 0; hooks_.pdrvfn && i < hooks_.c; ++i) {
        if (hooks_.pdrvfn[i].iFunc == index)
            return hooks_.pdrvfn[i].pfn;
    }
    return nullptr;
}

RenderingModule::~RenderingModule() {
    if (plugin_) {
        if (enabled_)
            plugin_->DisableDriver();
        plugin_->Release();
    }
    if (module_)
        FreeLibrary(module_);
}
