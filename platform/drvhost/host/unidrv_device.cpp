#include "unidrv_device.h"

namespace {

volatile LONG g_unidrvCalls = 0;

BOOL APIENTRY UnidrvStartDoc(SURFOBJ*, PWSTR, DWORD) {
    InterlockedIncrement(&g_unidrvCalls);
    return TRUE;
}
BOOL APIENTRY UnidrvEndDoc(SURFOBJ*, FLONG) {
    InterlockedIncrement(&g_unidrvCalls);
    return TRUE;
}
BOOL APIENTRY UnidrvStartPage(SURFOBJ*) {
    InterlockedIncrement(&g_unidrvCalls);
    return TRUE;
}
BOOL APIENTRY UnidrvTextOut(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                            BRUSHOBJ*, POINTL*, MIX) {
    InterlockedIncrement(&g_unidrvCalls);
    return TRUE;
}

DRVFN g_unidrvFunctions[] = {
    {INDEX_DrvTextOut, ToPfn(&UnidrvTextOut)},
    {INDEX_DrvStartPage, ToPfn(&UnidrvStartPage)},
    {INDEX_DrvEndDoc, ToPfn(&UnidrvEndDoc)},
    {INDEX_DrvStartDoc, ToPfn(&UnidrvStartDoc)},
};

template <class Fn> Fn HookOf(const RenderingModule& module, ULONG index) {
    return FromPfn<Fn>(module.Hook(index));
}

} // namespace

UnidrvDevice::UnidrvDevice(RenderingModule& module, const DeviceSettings& settings)
    : module_(module), settings_(settings) {
    public_mode_.dmSize = sizeof public_mode_;
    public_mode_.dmSpecVersion = DM_SPECVERSION;
    settings_.printer.copy(public_mode_.dmDeviceName, CCHDEVICENAME - 1);
    public_mode_.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    public_mode_.dmOrientation = DMORIENT_PORTRAIT;
    public_mode_.dmPaperSize = DMPAPER_LETTER;
    if (!settings_.devmode_without_resolution) {
        public_mode_.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;
        public_mode_.dmPrintQuality = static_cast<short>(settings_.dpi);
        public_mode_.dmYResolution = static_cast<short>(settings_.dpi);
    }
    gdi_info_.ulVersion = 0x5000;
    gdi_info_.ulTechnology = DT_RASPRINTER;
    gdi_info_.ulLogPixelsX = static_cast<ULONG>(settings_.dpi);
    gdi_info_.ulLogPixelsY = static_cast<ULONG>(settings_.dpi);
}

UnidrvDevice::~UnidrvDevice() {
    Disable();
}

bool UnidrvDevice::Enable(std::wstring* error) {
    IPrintOemUni* plugin = module_.Plugin();
    devobj_.dwSize = sizeof devobj_;
    devobj_.pPublicDM = &public_mode_;

    // The private device mode: its size, then its defaults.
    OEMDMPARAM param = {};
    param.cbSize = sizeof param;
    param.pdriverobj = &devobj_;
    if (FAILED(plugin->DevMode(OEMDM_SIZE, &param)) || param.cbBufSize == 0 ||
        param.cbBufSize > 4096) {
        *error = L"DevMode gave no private size";
        return false;
    }
    private_mode_.assign(param.cbBufSize, 0);
    param.pPublicDMIn = &public_mode_;
    param.pOEMDMOut = private_mode_.data();
    if (FAILED(plugin->DevMode(OEMDM_DEFAULT, &param))) {
        *error = L"DevMode gave no private defaults";
        return false;
    }
    devobj_.pOEMDM = private_mode_.data();

    DRVENABLEDATA unidrv = {DDI_DRIVER_VERSION_NT4, ARRAYSIZE(g_unidrvFunctions),
                            g_unidrvFunctions};
    PDEVOEM oem = nullptr;
    const HRESULT hr =
        plugin->EnablePDEV(&devobj_, const_cast<PWSTR>(settings_.printer.c_str()), 0, nullptr,
                           sizeof gdi_info_, &gdi_info_, 0, nullptr, &unidrv, &oem);
    if (FAILED(hr) || !oem) {
        *error = L"EnablePDEV failed";
        return false;
    }
    devobj_.pdevOEM = oem;
    surface_.dhpdev = reinterpret_cast<DHPDEV>(&devobj_);
    surface_.iType = 0; // a bitmap surface
    enabled_ = true;
    return true;
}

void UnidrvDevice::TakeOver(UnidrvDevice& old) {
    if (enabled_ && old.enabled_)
        module_.Plugin()->ResetPDEV(&old.devobj_, &devobj_);
    old.Disable();
}

void UnidrvDevice::Disable() {
    if (!enabled_)
        return;
    enabled_ = false;
    module_.Plugin()->DisablePDEV(&devobj_);
}

void UnidrvDevice::StartDoc(const std::wstring& document, DWORD job_id, bool null_name) {
    if (auto hook = HookOf<PFN_DrvStartDoc>(module_, INDEX_DrvStartDoc))
        hook(&surface_, null_name ? nullptr : const_cast<PWSTR>(document.c_str()), job_id);
}

void UnidrvDevice::StartPage(LONG width, LONG height) {
    surface_.sizlBitmap = {width, height};
    if (auto hook = HookOf<PFN_DrvStartPage>(module_, INDEX_DrvStartPage))
        hook(&surface_);
}

void UnidrvDevice::TextOut(STROBJ* string, FONTOBJ* font) {
    RECTL opaque = string->rclBkGround;
    POINTL origin = {0, 0};
    if (auto hook = HookOf<PFN_DrvTextOut>(module_, INDEX_DrvTextOut))
        hook(&surface_, string, font, nullptr, nullptr, &opaque, nullptr, nullptr, &origin, 0x0D0D);
}

void UnidrvDevice::EndDoc(FLONG flags) {
    if (auto hook = HookOf<PFN_DrvEndDoc>(module_, INDEX_DrvEndDoc))
        hook(&surface_, flags);
}

LONG UnidrvDevice::UnidrvCalls() {
    return InterlockedCompareExchange(&g_unidrvCalls, 0, 0);
}
