#include "rendering_module.h"

#include "plugin_loader.h"

namespace {

// {6D6ABF26-9F38-11D1-882A-00C04FB961EC}: the rendering plug-in class Unidrv asks for.
constexpr CLSID kRenderingPluginClass = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
constexpr DWORD kPluginInterfaceVersion = 0x00010000;

} // namespace

std::unique_ptr<RenderingModule> RenderingModule::Load(const std::wstring& path,
                                                       std::wstring* error) {
    std::unique_ptr<RenderingModule> loaded(new RenderingModule);
    void* plugin = nullptr;
    const bool had = LoadPluginObject(path, kRenderingPluginClass, IID_IPrintOemUni,
                                      L"rendering plug-in", &loaded->module_, &plugin, error);
    loaded->plugin_ = static_cast<IPrintOemUni*>(plugin);
    if (!had)
        return nullptr;
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
