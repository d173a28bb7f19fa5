#include "file_chooser_dlg.h"

#include <new>

namespace {

// What a CDM_ query writes into a buffer of kFileChars characters; empty when it fails.
std::wstring AskDialog(HWND dialog, UINT query) {
    wchar_t text[CFileChooserDlg::kFileChars] = {};
    const LRESULT length =
        SendMessageW(dialog, query, CFileChooserDlg::kFileChars, reinterpret_cast<LPARAM>(text));
    if (length <= 0)
        return std::wstring();
    text[CFileChooserDlg::kFileChars - 1] = L'\0';
    return text;
}

} // namespace

CFileChooserDlg::CFileChooserDlg() {
    dialog_.lStructSize = sizeof(dialog_);
    dialog_.lpstrFile = file_;
    dialog_.nMaxFile = kFileChars;
    dialog_.lpstrFileTitle = fileTitle_;
    dialog_.nMaxFileTitle = kTitleChars;
    dialog_.Flags =
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
    dialog_.lpfnHook = Hook;
    dialog_.lCustData = reinterpret_cast<LPARAM>(this);
}

INT_PTR CFileChooserDlg::DoModal(HWND owner) {
    dialog_.hwndOwner = owner;
    return GetOpenFileNameW(&dialog_) ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CFileChooserDlg::Hook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(lParam);
        SetWindowLongPtrW(hook, DWLP_USER, dialog->lCustData);
        return TRUE;
    }
    if (message != WM_NOTIFY)
        return FALSE;
    const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
    auto* self = reinterpret_cast<CFileChooserDlg*>(GetWindowLongPtrW(hook, DWLP_USER));
    if (!self || notify->hdr.code != CDN_FILEOK)
        return FALSE;
    // A zero result accepts the choice; non-zero keeps the dialog open.
    const LONG_PTR keepOpen = self->OnFileOK(hook) ? 0 : 1;
    SetWindowLongPtrW(hook, DWLP_MSGRESULT, keepOpen);
    return keepOpen;
}

BOOL CFileChooserDlg::OnFileOK(HWND hook) {
    const HWND dialog = GetParent(hook);
    try {
        folder_ = AskDialog(dialog, CDM_GETFOLDERPATH);
        filePath_ = AskDialog(dialog, CDM_GETFILEPATH);
    } catch (const std::bad_alloc&) {
        folder_.clear();
        filePath_.clear();
        return FALSE;
    }
    return TRUE;
}
