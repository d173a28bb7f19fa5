#include "file_transport.h"

#include <shlobj.h>

#include "com_bstr.h"
#include "com_variant.h"
#include "file_chooser_dlg.h"
#include "output_path.h"
#include "tintkit.h"
#include "wide_text.h"

namespace {

enum FileControlId {
    kPathEdit = 200,
    kFolderButton = 201,
    kFileNameEdit = 202,
    kAppendBox = 203,
    kOpenWithBox = 204,
    kApplicationEdit = 205,
    kFileButton = 206,
    kApplicationButton = 207,
    kParametersEdit = 209,
    kHideBox = 210,
    kWaitBox = 211,
};

// What the "OpenWith" box enables: everything about the post-processor.
constexpr int kApplicationControls[] = {kApplicationEdit, kParametersEdit, kHideBox,
                                        kApplicationButton, kWaitBox};

} // namespace

extern const PageControl kFileTransportPage[] = {
    {PageControlKind::kLabel, L"Output path", -1, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kEdit, L"", kPathEdit, {5, 25, 195, 45}, nullptr},
    {PageControlKind::kButton, L"Browse...", kFolderButton, {205, 23, 285, 45}, nullptr},
    {PageControlKind::kLabel, L"File name", -1, {5, 55, 75, 75}, nullptr},
    {PageControlKind::kEdit, L"", kFileNameEdit, {5, 75, 195, 95}, nullptr},
    {PageControlKind::kButton, L"Browse...", kFileButton, {205, 73, 285, 95}, nullptr},
    {PageControlKind::kCheckBox, L"Append", kAppendBox, {5, 115, 135, 123}, nullptr},
    {PageControlKind::kLine, L"HR", -1, {5, 133, 285, 134}, nullptr},
    {PageControlKind::kCheckBox, L"OpenWith", kOpenWithBox, {5, 137, 75, 145}, nullptr},
    {PageControlKind::kCheckBox, L"Wait", kWaitBox, {205, 137, 285, 145}, nullptr},
    {PageControlKind::kLabel, L"Application", -1, {5, 155, 75, 175}, nullptr},
    {PageControlKind::kEdit, L"", kApplicationEdit, {5, 177, 195, 197}, nullptr},
    {PageControlKind::kButton, L"Browse...", kApplicationButton, {205, 175, 285, 195}, nullptr},
    {PageControlKind::kLabel, L"Parameters", -1, {5, 205, 75, 225}, nullptr},
    {PageControlKind::kEdit, L"", kParametersEdit, {5, 225, 195, 245}, nullptr},
    {PageControlKind::kCheckBox, L"Hide window", kHideBox, {205, 227, 285, 245}, nullptr},
};
extern const size_t kFileTransportPageSize =
    sizeof(kFileTransportPage) / sizeof(kFileTransportPage[0]);

STDMETHODIMP CXFER_FileObject::PutParamUI(BSTR name, VARIANT value) {
    const HRESULT hr = CTransportPlugin::PutParamUI(name, value);
    if (FAILED(hr) || !NameIs(name, L"open") || !PageExists())
        return hr;
    return GuardedCall([&] {
        EnableApplicationControls(CopyParams().open != 0);
        return hr;
    });
}

void CXFER_FileObject::OnParamsShown() noexcept {
    GuardedCall([&] {
        EnableApplicationControls(CopyParams().open != 0);
        return S_OK;
    });
}

// The rule holds from the page's first showing, before any value is put.
void CXFER_FileObject::OnPageCreated() noexcept {
    OnParamsShown();
}

void CXFER_FileObject::EnableApplicationControls(bool enable) noexcept {
    for (int id : kApplicationControls) {
        if (CColorWindowControl* control = Control(id))
            control->Enable(enable);
    }
}

bool CXFER_FileObject::OnPageCommand(int id, int code) noexcept {
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case kOpenWithBox:
        OnOpenWithClicked();
        return true;
    case kFolderButton:
        OnBrowseFolder();
        return true;
    case kFileButton:
        OnBrowseFile();
        return true;
    case kApplicationButton:
        OnBrowseApplication();
        return true;
    default:
        return false;
    }
}

void CXFER_FileObject::OnOpenWithClicked() noexcept {
    GuardedCall([&] {
        const ComVariant open(CopyParams().open == 0 ? 1L : 0L);
        const ComBstr param(L"open");
        RETURN_IF_FAILED(PutParamUI(param, open));
        Fire_OnChangeParam(Name().c_str(), L"open", open);
        return S_OK;
    });
}

// Text put into an edit this way comes back as the edit's change: stored and fired there.
void CXFER_FileObject::SetEditText(int id, const std::wstring& text) noexcept {
    if (auto* edit = static_cast<CColorEdit*>(Control(id)))
        edit->SetWindowTextW(text.c_str());
}

void CXFER_FileObject::OnBrowseFolder() noexcept {
    BROWSEINFOW browse{};
    browse.hwndOwner = PageWindow();
    browse.lpszTitle = L"Select target folder:";
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen)
        return;
    wchar_t folder[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(chosen, folder);
    CoTaskMemFree(chosen);
    // A choice without a path (a virtual folder) leaves the box as it was.
    if (found && folder[0])
        SetEditText(kPathEdit, folder);
}

void CXFER_FileObject::OnBrowseFile() noexcept {
    GuardedCall([&] {
        CFileChooserDlg chooser;
        if (chooser.DoModal(GetActiveWindow()) != IDOK)
            return S_FALSE;
        const std::wstring name =
            FromU16(output_path::WithoutFolder(ToU16(chooser.FilePath()), ToU16(chooser.Folder())));
        SetEditText(kPathEdit, chooser.Folder());
        SetEditText(kFileNameEdit, name);
        return S_OK;
    });
}

void CXFER_FileObject::OnBrowseApplication() noexcept {
    GuardedCall([&] {
        CFileChooserDlg chooser;
        if (chooser.DoModal(GetActiveWindow()) != IDOK)
            return S_FALSE;
        SetEditText(kApplicationEdit, chooser.FilePath());
        return S_OK;
    });
}
