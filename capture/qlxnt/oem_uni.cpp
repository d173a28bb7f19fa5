#include "oem_uni.h"

#include <string.h>

#include <new>

#include "com_result.h"
#include "device_record.h"
#include "hooks.h"
#include "private_devmode.h"

namespace {

constexpr DWORD kPluginInterfaceVersion = 0x00010000;

// The methods Unidrv may ask about; everything else is not implemented.
const char* const kImplementedMethods[] = {
    "DriverDMS",   "GetImplementedMethod",
    "GetInfo",     "PublishDriverInterface",
    "DevMode",     "DisableDriver",
    "DisablePDEV", "EnableDriver",
    "EnablePDEV",  "ResetPDEV",
};

HRESULT FailWith(DWORD error) {
    SetLastError(error);
    return E_FAIL;
}

// The output block of a device-mode call, when there is one and it can hold ours.
HRESULT OutputBlock(const OEMDMPARAM* param, OemDevMode** out) {
    *out = static_cast<OemDevMode*>(param->pOEMDMOut);
    if (*out && param->cbBufSize < kOemDevModeSize)
        return FailWith(ERROR_INSUFFICIENT_BUFFER);
    return S_OK;
}

} // namespace

const QiEntry (&IOemUni::QiTable())[1] {
    static const QiEntry table[] = {QiRow<IOemUni, IPrintOemUni>(IID_IPrintOemUni)};
    return table;
}

STDMETHODIMP IOemUni::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    if (pcbNeeded)
        *pcbNeeded = sizeof(DWORD);
    if (cbSize < sizeof(DWORD))
        return FailWith(pcbNeeded ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
    if (dwMode != OEMGI_GETSIGNATURE && dwMode != OEMGI_GETVERSION) {
        if (pcbNeeded)
            *pcbNeeded = 0;
        return FailWith(ERROR_NOT_SUPPORTED);
    }
    if (!pBuffer)
        return FailWith(ERROR_INSUFFICIENT_BUFFER);
    *static_cast<DWORD*>(pBuffer) = dwMode == OEMGI_GETSIGNATURE ? kOemSignature : kOemVersion;
    return S_OK;
}

STDMETHODIMP IOemUni::DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) {
    if (!pOemDMParam || pOemDMParam->cbSize < sizeof(OEMDMPARAM))
        return FailWith(ERROR_INVALID_PARAMETER);
    OemDevMode* out = nullptr;
    const auto* in = static_cast<const OemDevMode*>(pOemDMParam->pOEMDMIn);
    switch (dwMode) {
    case OEMDM_SIZE:
        pOemDMParam->cbBufSize = kOemDevModeSize;
        return S_OK;
    case OEMDM_DEFAULT:
        RETURN_IF_FAILED(OutputBlock(pOemDMParam, &out));
        if (out)
            SetOemDevModeDefault(out);
        return S_OK;
    case OEMDM_CONVERT:
        RETURN_IF_FAILED(OutputBlock(pOemDMParam, &out));
        ConvertOemDevMode(in, out);
        return S_OK;
    case OEMDM_MERGE:
        RETURN_IF_FAILED(OutputBlock(pOemDMParam, &out));
        ConvertOemDevMode(in, out);
        if (out)
            SetOemDevModeDefault(out);
        return S_OK;
    default:
        return FailWith(ERROR_INVALID_PARAMETER);
    }
}

STDMETHODIMP IOemUni::EnableDriver(DWORD, DWORD cbSize, DRVENABLEDATA* pded) {
    if (!pded || cbSize < sizeof(DRVENABLEDATA))
        return FailWith(ERROR_INVALID_PARAMETER);
    pded->iDriverVersion = kPluginInterfaceVersion;
    pded->c = kHookCount;
    pded->pdrvfn = const_cast<DRVFN*>(kHookTable);
    return S_OK;
}

STDMETHODIMP IOemUni::DisableDriver() {
    return S_OK;
}

STDMETHODIMP IOemUni::EnablePDEV(DEVOBJ*, PWSTR pPrinterName, ULONG, HSURF*, ULONG cjGdiInfo,
                                 GDIINFO* pGdiInfo, ULONG, DEVINFO*, DRVENABLEDATA* pded,
                                 PDEVOEM* pDevOem) {
    if (!pDevOem)
        return E_POINTER;
    *pDevOem = nullptr;
    return GuardedCall([&]() -> HRESULT {
        DeviceRecord* record = DeviceRecord::Create(pPrinterName, cjGdiInfo, pGdiInfo, pded);
        if (!record)
            return E_FAIL;
        *pDevOem = record;
        return S_OK;
    });
}

STDMETHODIMP IOemUni::DisablePDEV(DEVOBJ* pdevobj) {
    DeviceRecord::Destroy(DeviceRecord::FromDevObj(pdevobj));
    return S_OK;
}

STDMETHODIMP IOemUni::ResetPDEV(DEVOBJ* pdevobjOld, DEVOBJ* pdevobjNew) {
    DeviceRecord::MoveDocument(DeviceRecord::FromDevObj(pdevobjOld),
                               DeviceRecord::FromDevObj(pdevobjNew));
    return S_OK;
}

STDMETHODIMP IOemUni::PublishDriverInterface(IUnknown*) {
    return S_OK;
}

STDMETHODIMP IOemUni::GetImplementedMethod(PSTR pMethodName) {
    if (!pMethodName)
        return S_FALSE;
    for (const char* name : kImplementedMethods) {
        if (strcmp(name, pMethodName) == 0)
            return S_OK;
    }
    return S_FALSE;
}

// The module draws on the surface Unidrv makes: no flags, so no device-managed surface.
STDMETHODIMP IOemUni::DriverDMS(PVOID, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    if (pcbNeeded)
        *pcbNeeded = sizeof(DWORD);
    if (!pBuffer || cbSize < sizeof(DWORD))
        return FailWith(ERROR_INSUFFICIENT_BUFFER);
    *static_cast<DWORD*>(pBuffer) = 0;
    return S_OK;
}

STDMETHODIMP IOemUni::CommandCallback(DEVOBJ*, DWORD, DWORD, PDWORD, INT* piResult) {
    if (piResult)
        *piResult = 0;
    return S_OK;
}

STDMETHODIMP IOemUni::ImageProcessing(DEVOBJ*, PBYTE, PBITMAPINFOHEADER, PBYTE, DWORD, IPPARAMS*,
                                      PBYTE*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::FilterGraphics(DEVOBJ*, PBYTE, DWORD) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::Compression(DEVOBJ*, PBYTE, PBYTE, DWORD, DWORD, INT*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::HalftonePattern(DEVOBJ*, PBYTE, DWORD, DWORD, DWORD, DWORD, PBYTE, DWORD) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::MemoryUsage(DEVOBJ*, OEMMEMORYUSAGE*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::TTYGetInfo(DEVOBJ*, DWORD, PVOID, DWORD, DWORD*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::DownloadFontHeader(DEVOBJ*, UNIFONTOBJ*, DWORD*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::DownloadCharGlyph(DEVOBJ*, UNIFONTOBJ*, HGLYPH, PDWORD, DWORD*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::TTDownloadMethod(DEVOBJ*, UNIFONTOBJ*, DWORD*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::OutputCharStr(DEVOBJ*, UNIFONTOBJ*, DWORD, DWORD, PVOID) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::SendFontCmd(DEVOBJ*, UNIFONTOBJ*, FINVOCATION*) {
    return E_NOTIMPL;
}
STDMETHODIMP IOemUni::TextOutAsBitmap(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*,
                                      BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX) {
    return E_NOTIMPL;
}
