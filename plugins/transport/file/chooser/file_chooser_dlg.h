#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

// The system's open-file dialog (Explorer style, resizable, no filter, no title of its own),
// which remembers, when the user confirms a file, the dialog's folder and the full path of the
// choice. Both stay empty until then. One object shows one dialog at a time.
class CFileChooserDlg {
public:
    static constexpr DWORD kFileChars = 260;
    static constexpr DWORD kTitleChars = 256;

    CFileChooserDlg();
    CFileChooserDlg(const CFileChooserDlg&) = delete;
    CFileChooserDlg& operator=(const CFileChooserDlg&) = delete;

    // Shows the dialog owned by owner (may be null). IDOK when the user confirmed a file,
    // IDCANCEL otherwise (also when the dialog could not be shown).
    INT_PTR DoModal(HWND owner);

    const std::wstring& Folder() const { return folder_; }
    const std::wstring& FilePath() const { return filePath_; }

private:
    static UINT_PTR CALLBACK Hook(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
    // The confirmation (CDN_FILEOK): the dialog's folder and the selection's full path are
    // read from the dialog, the hook's parent. TRUE: the choice is accepted.
    BOOL OnFileOK(HWND hook);

    OPENFILENAMEW dialog_{};
    wchar_t file_[kFileChars] = {};
    wchar_t fileTitle_[kTitleChars] = {};
    std::wstring folder_;
    std::wstring filePath_;
};
