#pragma once
#include <windows.h>
#include <unknwn.h>
#include <winddiui.h>
#include <compstui.h>

#include <stddef.h>

#include "oem_plugin.h"

// The Unidrv user-interface plug-in interface; what it shares with the rendering plug-in's
// (OEMDMPARAM, the GetInfo kinds) is oem_plugin.h's. The document-event codes and structures and
// the property-sheet structures come from MinGW's winddiui.h and compstui.h; checked below where
// the module reads or writes them.

// Unidrv's own state behind the UI calls; a plug-in only passes the pointer on.
struct OEMUIPROCS;
struct OEMUIOBJ {
    DWORD cbSize;
    OEMUIPROCS* pOemUIProcs;
};

// Passed through, never read by this system's plug-in.
struct OEMCUIPPARAM;
struct DEVQUERYPRINT_INFO;

// {C6A7A9D0-774C-11D1-947F-00A0C90640B8}
constexpr IID IID_IPrintOemUI = {
    0xc6a7a9d0, 0x774c, 0x11d1, {0x94, 0x7f, 0x00, 0xa0, 0xc9, 0x06, 0x40, 0xb8}};
// {292515F9-B54B-489B-9275-BAB56821395E}
constexpr IID IID_IPrintOemUI2 = {
    0x292515f9, 0xb54b, 0x489b, {0x92, 0x75, 0xba, 0xb5, 0x68, 0x21, 0x39, 0x5e}};

// Methods in vtable order: the common plug-in methods, then the UI ones.
struct IPrintOemUI : public IUnknown {
    STDMETHOD(GetInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    STDMETHOD(DevMode)(DWORD dwMode, OEMDMPARAM* pOemDMParam) = 0;

    STDMETHOD(PublishDriverInterface)(IUnknown* pIUnknown) = 0;
    STDMETHOD(CommonUIProp)(DWORD dwMode, OEMCUIPPARAM* pOemCUIPParam) = 0;
    STDMETHOD(DocumentPropertySheets)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) = 0;
    STDMETHOD(DevicePropertySheets)(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) = 0;
    STDMETHOD(DevQueryPrintEx)
    (OEMUIOBJ* poemuiobj, DEVQUERYPRINT_INFO* pDQPInfo, PDEVMODEW pPublicDM, PVOID pOEMDM) = 0;
    STDMETHOD(DeviceCapabilities)
    (OEMUIOBJ* poemuiobj, HANDLE hPrinter, PWSTR pDeviceName, WORD wCapability, PVOID pOutput,
     PDEVMODEW pPublicDM, PVOID pOEMDM, DWORD dwOld, DWORD* dwResult) = 0;
    STDMETHOD(UpgradePrinter)(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
    STDMETHOD(PrinterEvent)(PWSTR pPrinterName, INT iDriverEvent, DWORD dwFlags, LPARAM lParam) = 0;
    STDMETHOD(DriverEvent)
    (DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo, LPARAM lParam) = 0;
    STDMETHOD(QueryColorProfile)
    (HANDLE hPrinter, OEMUIOBJ* poemuiobj, PDEVMODEW pPublicDM, PVOID pOEMDM, ULONG ulQueryMode,
     VOID* pvProfileData, ULONG* pcbProfileData, FLONG* pflProfileData) = 0;
    STDMETHOD(FontInstallerDlgProc)(HWND hWnd, UINT usMsg, WPARAM wParam, LPARAM lParam) = 0;
    STDMETHOD(UpdateExternalFonts)(HANDLE hPrinter, HANDLE hHeap, PWSTR pwstrCartridges) = 0;
};

struct IPrintOemUI2 : public IPrintOemUI {
    STDMETHOD(QueryJobAttributes)
    (HANDLE hPrinter, PDEVMODEW pDevmode, DWORD dwLevel, LPBYTE lpAttributeInfo) = 0;
    STDMETHOD(HideStandardUI)(DWORD dwMode) = 0;
    STDMETHOD(DocumentEvent)
    (HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn, ULONG cbOut, PVOID pvOut,
     PINT piResult) = 0;
};

#ifdef _WIN64
static_assert(sizeof(OEMUIOBJ) == 16 && offsetof(OEMUIOBJ, pOemUIProcs) == 8, "OEMUIOBJ");
static_assert(sizeof(DOCEVENT_FILTER) == 20 && offsetof(DOCEVENT_FILTER, cElementsAllocated) == 4 &&
                  offsetof(DOCEVENT_FILTER, cElementsNeeded) == 8 &&
                  offsetof(DOCEVENT_FILTER, cElementsReturned) == 12 &&
                  offsetof(DOCEVENT_FILTER, aDocEventCall) == 16,
              "DOCEVENT_FILTER");
static_assert(sizeof(DOCEVENT_CREATEDCPRE) == 32 && offsetof(DOCEVENT_CREATEDCPRE, pszDevice) == 8,
              "DOCEVENT_CREATEDCPRE");
static_assert(sizeof(PROPSHEETUI_INFO) == 48 && offsetof(PROPSHEETUI_INFO, Version) == 2 &&
                  offsetof(PROPSHEETUI_INFO, Reason) == 6 &&
                  offsetof(PROPSHEETUI_INFO, hComPropSheet) == 8 &&
                  offsetof(PROPSHEETUI_INFO, pfnComPropSheet) == 16 &&
                  offsetof(PROPSHEETUI_INFO, lParamInit) == 24 &&
                  offsetof(PROPSHEETUI_INFO, Result) == 40,
              "PROPSHEETUI_INFO");
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == 40 &&
                  offsetof(PROPSHEETUI_INFO_HEADER, pTitle) == 8,
              "PROPSHEETUI_INFO_HEADER");
static_assert(sizeof(SETRESULT_INFO) == 24 && offsetof(SETRESULT_INFO, Result) == 16,
              "SETRESULT_INFO");
#endif
static_assert(DOCUMENTEVENT_CREATEDCPRE == 1 && DOCUMENTEVENT_STARTDOCPOST == 13 &&
                  DOCUMENTEVENT_QUERYFILTER == 14 && DOCUMENTEVENT_SPOOLED == 0x10000 &&
                  DOCUMENTEVENT_SUCCESS == 1,
              "document-event codes");
static_assert(PROPSHEETUI_INFO_VERSION == 0x0100 && PROPSHEETUI_REASON_GET_ICON == 4 &&
                  CPSFUNC_ADD_PROPSHEETPAGEW == 1,
              "property-sheet codes");
