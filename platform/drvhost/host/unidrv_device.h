#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "page_player.h"
#include "rendering_module.h"

struct DeviceSettings {
    std::wstring printer;
    LONG dpi = 300;
    // The public device mode names no resolution: the module must take what Unidrv reported.
    bool devmode_without_resolution = false;
};

// One device of the printer driver (a PDEV) with the rendering plug-in enabled on it: the
// public and private device modes, the graphics information, the drawing surface, and the
// hooked calls made as the engine makes them. Unidrv's own implementations of the hooked
// calls are offered to the plug-in and must never be called.
class UnidrvDevice : public TextCallSink {
public:
    UnidrvDevice(RenderingModule& module, const DeviceSettings& settings);
    ~UnidrvDevice();
    UnidrvDevice(const UnidrvDevice&) = delete;
    UnidrvDevice& operator=(const UnidrvDevice&) = delete;

    bool Enable(std::wstring* error);
    // Makes this device the reset successor of old, as after a ResetDC: old is disabled.
    void TakeOver(UnidrvDevice& old);

    void StartDoc(const std::wstring& document, DWORD job_id, bool null_name);
    void StartPage(LONG width, LONG height);
    void TextOut(STROBJ* string, FONTOBJ* font) override;
    void EndDoc(FLONG flags);

    // How often the plug-in called one of Unidrv's own hooked functions.
    static LONG UnidrvCalls();

private:
    void Disable();

    RenderingModule& module_;
    DeviceSettings settings_;
    DEVMODEW public_mode_{};
    std::vector<BYTE> private_mode_;
    GDIINFO gdi_info_{};
    DEVOBJ devobj_{};
    SURFOBJ surface_{};
    bool enabled_ = false;
};
