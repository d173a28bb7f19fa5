#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "oem_plugin.h"

// A rendering plug-in as Unidrv loads it: the module, its plug-in object from the rendering
// plug-in class, and the hook table its EnableDriver gave. Unloaded as Unidrv does: the
// driver is disabled, the object released, the module freed.
class RenderingModule {
public:
    // Null with a message in *error when the module or its object can't be had.
    static std::unique_ptr<RenderingModule> Load(const std::wstring& path, std::wstring* error);
    ~RenderingModule();
    RenderingModule(const RenderingModule&) = delete;
    RenderingModule& operator=(const RenderingModule&) = delete;

    IPrintOemUni* Plugin() const { return plugin_; }
    // The plug-in's function for a graphics call, or null when it hooks none.
    PFN Hook(ULONG index) const;

private:
    RenderingModule() = default;
    bool Enable(std::wstring* error);

    HMODULE module_ = nullptr;
    IPrintOemUni* plugin_ = nullptr;
    DRVENABLEDATA hooks_{};
    bool enabled_ = false;
};
