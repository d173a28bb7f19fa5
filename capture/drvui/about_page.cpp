#include "about_page.h"

#include "module_ids.h"
#include "module_instance.h"

namespace {

// The title lives as long as the module: the sheet keeps the pointer.
wchar_t kHeaderTitle[] = L"OEM UI Page";

HRESULT InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
}

HRESULT AddAboutPage(PPROPSHEETUI_INFO info) {
    if (!info->pfnComPropSheet)
        return InvalidParameter();
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = ModuleInstance();
    page.pszTemplate = MAKEINTRESOURCEW(kAboutPageDialogId);
    page.pfnDlgProc = AboutPageProc;
    info->Result = static_cast<ULONG_PTR>(info->pfnComPropSheet(
        info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&page), 0));
    return S_OK;
}

} // namespace

HRESULT AboutPageSheetCallback(PPROPSHEETUI_INFO info, LPARAM param) {
    if (!info || info->cbSize < sizeof(PROPSHEETUI_INFO) ||
        info->Version != PROPSHEETUI_INFO_VERSION)
        return InvalidParameter();
    switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
        return AddAboutPage(info);
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(param);
        if (!header)
            return InvalidParameter();
        header->pTitle = kHeaderTitle;
        info->Result = 1;
        return S_OK;
    }
    case PROPSHEETUI_REASON_DESTROY:
        info->Result = 1;
        return S_OK;
    case PROPSHEETUI_REASON_SET_RESULT: {
        const auto* result = reinterpret_cast<const SETRESULT_INFO*>(param);
        if (!result)
            return InvalidParameter();
        info->Result = static_cast<ULONG_PTR>(result->Result);
        return S_OK;
    }
    case PROPSHEETUI_REASON_GET_ICON:
        info->Result = 0;
        return S_OK;
    default:
        // Reasons the sheet may add later: nothing to do, the result stays as it was.
        return S_OK;
    }
}

INT_PTR CALLBACK AboutPageProc(HWND, UINT message, WPARAM, LPARAM) {
    // The page only shows text: it takes the default focus and handles nothing else.
    return message == WM_INITDIALOG ? TRUE : FALSE;
}
