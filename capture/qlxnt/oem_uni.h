#pragma once
#include <windows.h>

#include "com_object.h"
#include "oem_plugin.h"

// The rendering plug-in object Unidrv creates. It hooks the document, page and text-output
// calls and never calls Unidrv's own implementations, so the printer produces no output.
class IOemUni : public IPrintOemUni, public ObjectBase {
public:
    static const QiEntry (&QiTable())[1];

    STDMETHODIMP GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    STDMETHODIMP DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) override;
    STDMETHODIMP EnableDriver(DWORD DriverVersion, DWORD cbSize, DRVENABLEDATA* pded) override;
    STDMETHODIMP DisableDriver() override;
    STDMETHODIMP EnablePDEV(DEVOBJ* pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                            HSURF* phsurfPatterns, ULONG cjGdiInfo, GDIINFO* pGdiInfo,
                            ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
                            PDEVOEM* pDevOem) override;
    STDMETHODIMP DisablePDEV(DEVOBJ* pdevobj) override;
    STDMETHODIMP ResetPDEV(DEVOBJ* pdevobjOld, DEVOBJ* pdevobjNew) override;
    STDMETHODIMP PublishDriverInterface(IUnknown* pIUnknown) override;
    STDMETHODIMP GetImplementedMethod(PSTR pMethodName) override;
    STDMETHODIMP DriverDMS(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    STDMETHODIMP CommandCallback(DEVOBJ* pdevobj, DWORD dwCallbackID, DWORD dwCount,
                                 PDWORD pdwParams, INT* piResult) override;
    STDMETHODIMP ImageProcessing(DEVOBJ* pdevobj, PBYTE pSrcBitmap,
                                 PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE pColorTable,
                                 DWORD dwCallbackID, IPPARAMS* pIPParams,
                                 PBYTE* ppbResult) override;
    STDMETHODIMP FilterGraphics(DEVOBJ* pdevobj, PBYTE pBuf, DWORD dwLen) override;
    STDMETHODIMP Compression(DEVOBJ* pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen,
                             DWORD dwOutLen, INT* piResult) override;
    STDMETHODIMP HalftonePattern(DEVOBJ* pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX,
                                 DWORD dwHTPatternY, DWORD dwHTNumPatterns, DWORD dwCallbackID,
                                 PBYTE pResource, DWORD dwResourceSize) override;
    STDMETHODIMP MemoryUsage(DEVOBJ* pdevobj, OEMMEMORYUSAGE* pMemoryUsage) override;
    STDMETHODIMP TTYGetInfo(DEVOBJ* pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize,
                            DWORD* pcbcNeeded) override;
    STDMETHODIMP DownloadFontHeader(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) override;
    STDMETHODIMP DownloadCharGlyph(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, HGLYPH hGlyph,
                                   PDWORD pdwWidth, DWORD* pdwResult) override;
    STDMETHODIMP TTDownloadMethod(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, DWORD* pdwResult) override;
    STDMETHODIMP OutputCharStr(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, DWORD dwType, DWORD dwCount,
                               PVOID pGlyph) override;
    STDMETHODIMP SendFontCmd(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, FINVOCATION* pFInv) override;
    STDMETHODIMP TextOutAsBitmap(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                 RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                 BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) override;

protected:
    IOemUni() = default;
};
