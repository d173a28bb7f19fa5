#include "oem_ui_plugin.h"

#include <string.h>

#include "about_page.h"
#include "document_events.h"
#include "private_devmode.h"

namespace {

HRESULT FailWith(DWORD error) {
    SetLastError(error);
    return E_FAIL;
}

void Dispatch(HANDLE printer, INT escape, ULONG in_bytes, PVOID in, ULONG out_bytes, PVOID out) {
    // A spooled document's events carry flags in the high word.
    switch (DOCUMENTEVENT_EVENT(static_cast<DWORD>(escape))) {
    case DOCUMENTEVENT_QUERYFILTER:
        AnswerQueryFilter(out_bytes, out);
        break;
    case DOCUMENTEVENT_CREATEDCPRE:
        OnCreateDcPre(printer, in_bytes, in);
        break;
    case DOCUMENTEVENT_STARTDOCPOST:
        OnStartDocPost(printer, in_bytes, in);
        break;
    default:
        break;
    }
}

} // namespace

const QiEntry (&IOemUI::QiTable())[2] {
    static const QiEntry table[] = {
        QiRow<IOemUI, IPrintOemUI2>(IID_IPrintOemUI2),
        QiRow<IOemUI, IPrintOemUI, IPrintOemUI2>(IID_IPrintOemUI),
    };
    return table;
}

STDMETHODIMP IOemUI::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) {
    if (!pcbNeeded || (dwMode != OEMGI_GETSIGNATURE && dwMode != OEMGI_GETVERSION))
        return FailWith(ERROR_INVALID_PARAMETER);
    *pcbNeeded = sizeof(DWORD);
    if (!pBuffer || cbSize < sizeof(DWORD))
        return FailWith(ERROR_INSUFFICIENT_BUFFER);
    const DWORD value = dwMode == OEMGI_GETSIGNATURE ? kOemSignature : kOemVersion;
    memcpy(pBuffer, &value, sizeof(value));
    return S_OK;
}

STDMETHODIMP IOemUI::DevMode(DWORD, OEMDMPARAM*) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::PublishDriverInterface(IUnknown*) {
    return S_OK;
}

STDMETHODIMP IOemUI::CommonUIProp(DWORD, OEMCUIPPARAM*) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam) {
    return AboutPageSheetCallback(pPSUIInfo, lParam);
}

STDMETHODIMP IOemUI::DevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::DevQueryPrintEx(OEMUIOBJ*, DEVQUERYPRINT_INFO*, PDEVMODEW, PVOID) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::DeviceCapabilities(OEMUIOBJ*, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID,
                                        DWORD, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::UpgradePrinter(DWORD, PBYTE) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::PrinterEvent(PWSTR, INT, DWORD, LPARAM) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::QueryColorProfile(HANDLE, OEMUIOBJ*, PDEVMODEW, PVOID, ULONG, VOID*, ULONG*,
                                       FLONG*) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, LPBYTE) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::HideStandardUI(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP IOemUI::DocumentEvent(HANDLE hPrinter, HDC, INT iEsc, ULONG cbIn, PVOID pvIn,
                                   ULONG cbOut, PVOID pvOut, PINT piResult) {
    try {
        Dispatch(hPrinter, iEsc, cbIn, pvIn, cbOut, pvOut);
    } catch (...) {
        // Out of memory on the way: the job goes on without its relay.
    }
    if (piResult)
        *piResult = DOCUMENTEVENT_SUCCESS;
    return S_OK;
}
