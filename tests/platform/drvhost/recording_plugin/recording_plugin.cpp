// A rendering plug-in that writes down every hooked call the driver host makes, with what
// the engine services answer for it, one line per call, to the file the environment variable
// QLX_RECORDING_PLUGIN names. The driver host's own tests read it.
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "oem_plugin.h"

namespace {

const CLSID kRenderingPluginClass = {
    0x6d6abf26, 0x9f38, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};

void Record(const std::wstring& line) {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"QLX_RECORDING_PLUGIN", path, MAX_PATH))
        return;
    FILE* file = _wfopen(path, L"ab");
    if (!file)
        return;
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1)
        WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    fprintf(file, "%s\n", utf8.c_str());
    fclose(file);
}

std::wstring Num(long long value) {
    return std::to_wstring(value);
}

BOOL APIENTRY StartDoc(SURFOBJ* pso, PWSTR name, DWORD job) {
    const auto* devobj = reinterpret_cast<DEVOBJ*>(pso->dhpdev);
    Record(L"StartDoc job=" + Num(job) + L" name=" + (name ? name : L"(null)") + L" dpi=" +
           Num(devobj->pPublicDM ? devobj->pPublicDM->dmYResolution : -1));
    return TRUE;
}

BOOL APIENTRY EndDoc(SURFOBJ*, FLONG fl) {
    Record(L"EndDoc flags=" + Num(fl));
    return TRUE;
}

BOOL APIENTRY StartPage(SURFOBJ* pso) {
    Record(L"StartPage " + Num(pso->sizlBitmap.cx) + L"x" + Num(pso->sizlBitmap.cy));
    return TRUE;
}

// TextOut n=N glyphs=0|1 inc=I bk=l,t,r,b face=F charset=C set=RUNS/GLYPHS text=... x=... adv=...
BOOL APIENTRY TextOut(SURFOBJ*, STROBJ* s, FONTOBJ* f, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                      BRUSHOBJ*, POINTL*, MIX) {
    std::wstring line = L"TextOut n=" + Num(s->cGlyphs) + L" glyphs=" +
                        Num((s->flAccel & SO_GLYPHINDEX_TEXTOUT) ? 1 : 0) + L" inc=" +
                        Num(s->ulCharInc) + L" bk=" + Num(s->rclBkGround.left) + L"," +
                        Num(s->rclBkGround.top) + L"," + Num(s->rclBkGround.right) + L"," +
                        Num(s->rclBkGround.bottom);
    if (const IFIMETRICS* ifi = FONTOBJ_pifi(f)) {
        line += L" face=" +
                std::wstring(reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(ifi) +
                                                              ifi->dpwszFaceName)) +
                L" charset=" + Num(ifi->jWinCharSet);
    } else {
        line += L" face=(none)";
    }
    if (const FD_GLYPHSET* set = FONTOBJ_pfdg(f))
        line += L" set=" + Num(set->cRuns) + L"/" + Num(set->cGlyphsSupported);
    else
        line += L" set=(none)";
    line += L" text=";
    for (ULONG i = 0; i < s->cGlyphs; ++i) {
        if (s->flAccel & SO_GLYPHINDEX_TEXTOUT)
            line += (i ? L"." : L"") + Num(s->pwszOrg[i]);
        else
            line += s->pwszOrg[i];
    }
    line += L"|";
    const GLYPHPOS* positions = s->pgp;
    ULONG count = s->cGlyphs;
    std::wstring enumeration;
    if (!positions) {
        GLYPHPOS* batch = nullptr;
        const BOOL more = STROBJ_bEnumPositionsOnly(s, &count, &batch);
        enumeration = more == DDI_ERROR ? L"error" : more ? L"batches" : L"one";
        positions = more == FALSE ? batch : nullptr;
    }
    line += L" enum=" + (enumeration.empty() ? std::wstring(L"given") : enumeration) + L" x=";
    for (ULONG i = 0; positions && i < count; ++i)
        line += (i ? L"," : L"") + Num(positions[i].ptl.x);
    line += L" y=" + Num(positions ? positions[0].ptl.y : 0);
    std::vector<POINTQF> advances(s->cGlyphs);
    if (STROBJ_bGetAdvanceWidths(s, 0, s->cGlyphs, advances.data())) {
        line += L" adv=";
        for (ULONG i = 0; i < s->cGlyphs; ++i)
            line += (i ? L"," : L"") + Num(advances[i].x.HighPart >> 4);
    } else {
        line += L" adv=(failed)";
    }
    Record(line);
    return TRUE;
}

DRVFN g_hooks[] = {
    {INDEX_DrvStartDoc, ToPfn(&StartDoc)},
    {INDEX_DrvEndDoc, ToPfn(&EndDoc)},
    {INDEX_DrvStartPage, ToPfn(&StartPage)},
    {INDEX_DrvTextOut, ToPfn(&TextOut)},
};

class RecordingPlugin final : public IPrintOemUni, public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemUni))
            *out = static_cast<IPrintOemUni*>(this);
        else if (IsEqualIID(iid, IID_IClassFactory))
            *out = static_cast<IClassFactory*>(this);
        else
            return *out = nullptr, E_NOINTERFACE;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID iid, void** out) override {
        return QueryInterface(iid, out);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

    STDMETHODIMP GetInfo(DWORD, PVOID buffer, DWORD size, PDWORD needed) override {
        if (needed)
            *needed = 4;
        if (!buffer || size < 4)
            return E_FAIL;
        *static_cast<DWORD*>(buffer) = 0x43455220;
        return S_OK;
    }
    STDMETHODIMP DevMode(DWORD mode, OEMDMPARAM* param) override {
        if (mode == OEMDM_SIZE)
            param->cbBufSize = 16;
        return S_OK;
    }
    STDMETHODIMP EnableDriver(DWORD, DWORD, DRVENABLEDATA* ded) override {
        *ded = {0x00010000, ARRAYSIZE(g_hooks), g_hooks};
        return S_OK;
    }
    STDMETHODIMP DisableDriver() override { return S_OK; }
    STDMETHODIMP EnablePDEV(DEVOBJ*, PWSTR printer, ULONG, HSURF*, ULONG, GDIINFO* gdi, ULONG,
                            DEVINFO*, DRVENABLEDATA*, PDEVOEM* oem) override {
        Record(L"EnablePDEV printer=" + std::wstring(printer ? printer : L"") + L" dpi=" +
               Num(gdi ? gdi->ulLogPixelsY : 0));
        *oem = this;
        return S_OK;
    }
    STDMETHODIMP DisablePDEV(DEVOBJ*) override {
        Record(L"DisablePDEV");
        return S_OK;
    }
    STDMETHODIMP ResetPDEV(DEVOBJ*, DEVOBJ*) override {
        Record(L"ResetPDEV");
        return S_OK;
    }
    STDMETHODIMP PublishDriverInterface(IUnknown*) override { return S_OK; }
    STDMETHODIMP GetImplementedMethod(PSTR) override { return S_FALSE; }
    STDMETHODIMP DriverDMS(PVOID, PVOID, DWORD, PDWORD) override { return E_NOTIMPL; }
    STDMETHODIMP CommandCallback(DEVOBJ*, DWORD, DWORD, PDWORD, INT*) override { return E_NOTIMPL; }
    STDMETHODIMP ImageProcessing(DEVOBJ*, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD, IPPARAMS*,
                                 PBYTE*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP FilterGraphics(DEVOBJ*, PBYTE, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP Compression(DEVOBJ*, PBYTE, PBYTE, DWORD, DWORD, INT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP HalftonePattern(DEVOBJ*, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE,
                                 DWORD) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP MemoryUsage(DEVOBJ*, OEMMEMORYUSAGE*) override { return E_NOTIMPL; }
    STDMETHODIMP TTYGetInfo(DEVOBJ*, DWORD, PVOID, DWORD, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DownloadFontHeader(DEVOBJ*, UNIFONTOBJ*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DownloadCharGlyph(DEVOBJ*, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP TTDownloadMethod(DEVOBJ*, UNIFONTOBJ*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP OutputCharStr(DEVOBJ*, UNIFONTOBJ*, DWORD, DWORD, PVOID) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP SendFontCmd(DEVOBJ*, UNIFONTOBJ*, FINVOCATION*) override { return E_NOTIMPL; }
    STDMETHODIMP TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*,
                                 BRUSHOBJ*, POINTL*, MIX) override {
        return E_NOTIMPL;
    }
};

RecordingPlugin g_plugin;

} // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!IsEqualCLSID(clsid, kRenderingPluginClass))
        return CLASS_E_CLASSNOTAVAILABLE;
    return static_cast<IClassFactory*>(&g_plugin)->QueryInterface(iid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}
