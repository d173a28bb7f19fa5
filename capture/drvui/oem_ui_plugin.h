#pragma once
#include <windows.h>

#include "com_object.h"
#include "oem_ui.h"

// The user-interface plug-in object Unidrv creates in every application that prints to the
// printer: it starts each job's relay from the document events and adds the About page.
class IOemUI : public IPrintOemUI2, public ObjectBase {
public:
    static const QiEntry (&QiTable())[2];

    STDMETHODIMP GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) override;
    STDMETHODIMP DevMode(DWORD dwMode, OEMDMPARAM* pOemDMParam) override;
    STDMETHODIMP PublishDriverInterface(IUnknown* pIUnknown) override;
    STDMETHODIMP CommonUIProp(DWORD dwMode, OEMCUIPPARAM* pOemCUIPParam) override;
    STDMETHODIMP DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) override;
    STDMETHODIMP DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) override;
    STDMETHODIMP DevQueryPrintEx(OEMUIOBJ* poemuiobj, DEVQUERYPRINT_INFO* pDQPInfo,
                                 PDEVMODEW pPublicDM, PVOID pOEMDM) override;
    STDMETHODIMP DeviceCapabilities(OEMUIOBJ* poemuiobj, HANDLE hPrinter, PWSTR pDeviceName,
                                    WORD wCapability, PVOID pOutput, PDEVMODEW pPublicDM,
                                    PVOID pOEMDM, DWORD dwOld, DWORD* dwResult) override;
    STDMETHODIMP UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) override;
    STDMETHODIMP PrinterEvent(PWSTR pPrinterName, INT iDriverEvent, DWORD dwFlags,
                              LPARAM lParam) override;
    STDMETHODIMP DriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo,
                             LPARAM lParam) override;
    STDMETHODIMP QueryColorProfile(HANDLE hPrinter, OEMUIOBJ* poemuiobj, PDEVMODEW pPublicDM,
                                   PVOID pOEMDM, ULONG ulQueryMode, VOID* pvProfileData,
                                   ULONG* pcbProfileData, FLONG* pflProfileData) override;
    STDMETHODIMP FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam, LPARAM lParam) override;
    STDMETHODIMP UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap, PWSTR pwstrCartridges) override;
    STDMETHODIMP QueryJobAttributes(HANDLE hPrinter, PDEVMODEW pDevmode, DWORD dwLevel,
                                    LPBYTE lpAttributeInfo) override;
    STDMETHODIMP HideStandardUI(DWORD dwMode) override;
    // The result is always DOCUMENTEVENT_SUCCESS (when there is room for it) and the method
    // always returns S_OK: nothing that fails here may stop the application's print job.
    STDMETHODIMP DocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn, PVOID pvIn,
                               ULONG cbOut, PVOID pvOut, PINT piResult) override;

protected:
    IOemUI() = default;
};
