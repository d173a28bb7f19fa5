#pragma once
#include <windows.h>
#include <unknwn.h>

#include "ddi_types.h"

// The Unidrv rendering plug-in interface and the structures Unidrv passes to its methods.

typedef PVOID PDEVOEM;

struct OEMMEMORYUSAGE;
struct IPPARAMS;
struct UNIFONTOBJ;
struct FINVOCATION;

// What Unidrv passes to a plug-in with every device call. Graphics hooks reach it through
// SURFOBJ.dhpdev.
struct DEVOBJ {
    DWORD dwSize;
    PDEVOEM pdevOEM; // what the plug-in's EnablePDEV returned
    HANDLE hEngine;
    HANDLE hPrinter;
    HANDLE hOEM;
    DEVMODEW* pPublicDM;
    PVOID pOEMDM;
    PVOID pDrvProcs;
};

// The header every plug-in's private device mode begins with.
struct OEM_DMEXTRAHEADER {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
};

struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    DEVMODEW* pPublicDMIn;
    DEVMODEW* pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize; // room at pOEMDMOut on input; the private size for OEMDM_SIZE
};

// GetInfo kinds.
constexpr DWORD OEMGI_GETSIGNATURE = 1;
constexpr DWORD OEMGI_GETINTERFACEVERSION = 2;
constexpr DWORD OEMGI_GETVERSION = 3;
constexpr DWORD OEMGI_GETPUBLISHERINFO = 4;

// DevMode operations.
constexpr DWORD OEMDM_SIZE = 1;
constexpr DWORD OEMDM_DEFAULT = 2;
constexpr DWORD OEMDM_CONVERT = 3;
constexpr DWORD OEMDM_MERGE = 4;

// {D67EBBF0-78BF-11D1-9480-00A0C90640B8}
constexpr IID IID_IPrintOemUni = {
    0xd67ebbf0, 0x78bf, 0x11d1, {0x94, 0x80, 0x00, 0xa0, 0xc9, 0x06, 0x40, 0xb8}};

// Methods in vtable order: the common plug-in methods, the engine methods, then Unidrv's own.
struct IPrintOemUni : public IUnknown {
    STDMETHOD(GetInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    STDMETHOD(DevMode)(DWORD dwMode, OEMDMPARAM* pOemDMParam) = 0;

    STDMETHOD(EnableDriver)(DWORD DriverVersion, DWORD cbSize, DRVENABLEDATA* pded) = 0;
    STDMETHOD(DisableDriver)() = 0;
    STDMETHOD(EnablePDEV)
    (DEVOBJ* pdevobj, PWSTR pPrinterName, ULONG cPatterns, HSURF* phsurfPatterns, ULONG cjGdiInfo,
     GDIINFO* pGdiInfo, ULONG cjDevInfo, DEVINFO* pDevInfo, DRVENABLEDATA* pded,
     PDEVOEM* pDevOem) = 0;
    STDMETHOD(DisablePDEV)(DEVOBJ* pdevobj) = 0;
    STDMETHOD(ResetPDEV)(DEVOBJ* pdevobjOld, DEVOBJ* pdevobjNew) = 0;

    STDMETHOD(PublishDriverInterface)(IUnknown* pIUnknown) = 0;
    STDMETHOD(GetImplementedMethod)(PSTR pMethodName) = 0;
    STDMETHOD(DriverDMS)(PVOID pDevObj, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    STDMETHOD(CommandCallback)
    (DEVOBJ* pdevobj, DWORD dwCallbackID, DWORD dwCount, PDWORD pdwParams, OUT INT* piResult) = 0;
    STDMETHOD(ImageProcessing)
    (DEVOBJ* pdevobj, PBYTE pSrcBitmap, PBITMAPINFOHEADER pBitmapInfoHeader, PBYTE pColorTable,
     DWORD dwCallbackID, IPPARAMS* pIPParams, OUT PBYTE* ppbResult) = 0;
    STDMETHOD(FilterGraphics)(DEVOBJ* pdevobj, PBYTE pBuf, DWORD dwLen) = 0;
    STDMETHOD(Compression)
    (DEVOBJ* pdevobj, PBYTE pInBuf, PBYTE pOutBuf, DWORD dwInLen, DWORD dwOutLen,
     OUT INT* piResult) = 0;
    STDMETHOD(HalftonePattern)
    (DEVOBJ* pdevobj, PBYTE pHTPattern, DWORD dwHTPatternX, DWORD dwHTPatternY,
     DWORD dwHTNumPatterns, DWORD dwCallbackID, PBYTE pResource, DWORD dwResourceSize) = 0;
    STDMETHOD(MemoryUsage)(DEVOBJ* pdevobj, OEMMEMORYUSAGE* pMemoryUsage) = 0;
    STDMETHOD(TTYGetInfo)
    (DEVOBJ* pdevobj, DWORD dwInfoIndex, PVOID pOutputBuf, DWORD dwSize, DWORD* pcbcNeeded) = 0;
    STDMETHOD(DownloadFontHeader)(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, OUT DWORD* pdwResult) = 0;
    STDMETHOD(DownloadCharGlyph)
    (DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, HGLYPH hGlyph, PDWORD pdwWidth, OUT DWORD* pdwResult) = 0;
    STDMETHOD(TTDownloadMethod)(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, OUT DWORD* pdwResult) = 0;
    STDMETHOD(OutputCharStr)
    (DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, DWORD dwType, DWORD dwCount, PVOID pGlyph) = 0;
    STDMETHOD(SendFontCmd)(DEVOBJ* pdevobj, UNIFONTOBJ* pUFObj, FINVOCATION* pFInv) = 0;
    STDMETHOD(TextOutAsBitmap)
    (SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
     BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) = 0;
};

// The graphics hooks a rendering plug-in puts into its hook table.
typedef BOOL(APIENTRY* PFN_DrvStartDoc)(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId);
typedef BOOL(APIENTRY* PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL(APIENTRY* PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvTextOut)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                       RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                       BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);

#ifdef _WIN64
#include <stddef.h>
static_assert(sizeof(DEVOBJ) == 64 && offsetof(DEVOBJ, pdevOEM) == 8 &&
                  offsetof(DEVOBJ, pPublicDM) == 40 && offsetof(DEVOBJ, pOEMDM) == 48,
              "DEVOBJ");
static_assert(sizeof(OEM_DMEXTRAHEADER) == 12, "OEM_DMEXTRAHEADER");
static_assert(sizeof(OEMDMPARAM) == 72 && offsetof(OEMDMPARAM, pPublicDMIn) == 32 &&
                  offsetof(OEMDMPARAM, pOEMDMOut) == 56 && offsetof(OEMDMPARAM, cbBufSize) == 64,
              "OEMDMPARAM");
#endif
