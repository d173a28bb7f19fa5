#include "clipboard_object.h"

#include "ansi_text.h"
#include "com_bstr.h"
#include "com_variant.h"
#include "file_chooser_dlg.h"
#include "post_processor.h"
#include "tintkit.h"

namespace {

const PluginDescriptor kDescriptor = {kClipboardName, kClipboardLayout, nullptr, nullptr,
                                      kClipboardPageId};

const ParamRow<ClipboardParams> kParams[] = {
    StringParam(L"exec", &ClipboardParams::exec, kClipboardExecEditId),
    StringParam(L"param", &ClipboardParams::param, kClipboardParamEditId),
    LongParam(L"hide", &ClipboardParams::hide, kClipboardHideBoxId),
    LongParam(L"open", &ClipboardParams::open, kClipboardOpenBoxId),
    LongParam(L"wait", &ClipboardParams::wait, kClipboardWaitBoxId),
};

const PageControl kPage[] = {
    {PageControlKind::kCheckBox, L"OpenWith", kClipboardOpenBoxId, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kCheckBox, L"Wait", kClipboardWaitBoxId, {205, 5, 285, 25}, nullptr},
    {PageControlKind::kLabel, L"Application", -1, {5, 35, 75, 55}, nullptr},
    {PageControlKind::kEdit, L"", kClipboardExecEditId, {5, 57, 195, 77}, nullptr},
    {PageControlKind::kButton, L"Browse...", kClipboardBrowseButtonId, {205, 55, 285, 75}, nullptr},
    {PageControlKind::kLabel, L"Parameters", -1, {5, 85, 75, 105}, nullptr},
    {PageControlKind::kEdit, L"", kClipboardParamEditId, {5, 105, 195, 125}, nullptr},
    {PageControlKind::kCheckBox,
     L"Hide window",
     kClipboardHideBoxId,
     {205, 107, 285, 125},
     nullptr},
};

// The controls that only mean something with a post-processor.
constexpr int kPostProcessorControls[] = {kClipboardExecEditId, kClipboardParamEditId,
                                          kClipboardHideBoxId, kClipboardBrowseButtonId,
                                          kClipboardWaitBoxId};
constexpr wchar_t kOpenParam[] = L"open";

// Unicode text on Windows NT 5 and later; ANSI on the Windows 95 line, on NT 4 and earlier and
// when the version cannot be read.
bool UseUnicodeText() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version))
        return false;
#pragma GCC diagnostic pop
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion > 4;
}

} // namespace

CXFER_ClipboardObject::CXFER_ClipboardObject()
    : CTransportPlugin(CLSID_XFER_Clipboard, kDescriptor, Rows(kParams), Rows(kPage)) {}

HRESULT CXFER_ClipboardObject::Fail(const wchar_t* message) {
    FireLastError(message);
    return E_FAIL;
}

HRESULT CXFER_ClipboardObject::OnStartJob() {
    if (!clipboard_.OpenAndEmpty())
        return Fail(L"Cannot open Clipboard");
    return S_OK;
}

HRESULT CXFER_ClipboardObject::OnEndJob() {
    clipboard_.Close();
    return S_OK;
}

HRESULT CXFER_ClipboardObject::OnSend(IRenderedCollection* pages, long wholeJob, long page) {
    const bool unicode = UseUnicodeText();
    const ClipboardParams params = CopyParams();
    Fire_OnProgress(Name().c_str(), 0);
    HRESULT hr = S_OK;
    if (params.open && params.exec.empty())
        hr = Fail(L"Not enough parameters");
    else
        hr = GuardedCall([&] { return FillClipboard(pages, wholeJob, page, unicode); });
    // Closed on every way out, so that no save leaves the clipboard held.
    clipboard_.Close();
    if (FAILED(hr) || !params.open)
        return hr;
    // The clipboard keeps the text when the post-processor cannot start.
    const PostProcessor postProcessor{params.exec, params.param, params.hide, params.wait};
    if (FAILED(LaunchPostProcessor(pages, 0, postProcessor, nullptr)))
        return Fail(L"Cannot execute post-processor");
    return S_OK;
}

HRESULT CXFER_ClipboardObject::FillClipboard(IRenderedCollection* pages, long wholeJob, long page,
                                             bool unicode) {
    RETURN_IF_NULL(pages);
    PageRange range;
    if (FAILED(GetPageRange(pages, wholeJob, page, &range)))
        return Fail(L"GetPage");
    long jobSize = 0;
    if (FAILED(pages->JobSize(&jobSize)))
        return Fail(L"JobSize");

    // The text is gathered first and the block sized from it, so that neither a page that grew
    // since JobSize nor a code page of several bytes per character can overrun it.
    std::wstring wide;
    std::string ansi;
    PageProgress progress;
    for (long i = range.first; i < range.end; ++i) {
        ComBstr text;
        if (FAILED(pages->GetItem(i, &text)))
            return Fail(L"GetPage");
        if (unicode)
            wide.append(text.c_str(), text.Length());
        else
            AppendAnsiText(text.c_str(), text.Length(), ansi);
        long value = 0;
        if (progress.Grew(i - range.first, range.Length(), &value))
            Fire_OnProgress(Name().c_str(), value);
    }
    GlobalBlock block;
    const bool filled = unicode ? block.Fill(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))
                                : block.Fill(ansi.c_str(), ansi.size() + 1);
    if (!filled)
        return Fail(L"GlobalAlloc");
    // A clipboard that refuses the block leaves it to us, and the save has not delivered.
    if (!clipboard_.HandOver(unicode ? CF_UNICODETEXT : CF_TEXT, block))
        return Fail(L"SetClipboardData");
    Fire_OnProgress(Name().c_str(), 100);
    return S_OK;
}

STDMETHODIMP CXFER_ClipboardObject::PutParamUI(BSTR name, VARIANT value) {
    RETURN_IF_FAILED(CTransportPlugin::PutParamUI(name, value));
    if (NameIs(name, kOpenParam) && PageExists())
        ApplyEnabling(CopyParams().open);
    return S_OK;
}

// The rule holds from the page's first showing, before any value is put.
void CXFER_ClipboardObject::OnPageCreated() noexcept {
    OnParamsShown();
}

void CXFER_ClipboardObject::OnParamsShown() noexcept {
    GuardedCall([&] {
        ApplyEnabling(CopyParams().open);
        return S_OK;
    });
}

void CXFER_ClipboardObject::ApplyEnabling(long open) noexcept {
    for (int id : kPostProcessorControls) {
        if (CColorWindowControl* control = Control(id))
            control->Enable(open != 0);
    }
}

bool CXFER_ClipboardObject::OnPageCommand(int id, int code) noexcept {
    if (id == kClipboardBrowseButtonId && code == BN_CLICKED) {
        OnBrowseApplication();
        return true;
    }
    if (id == kClipboardOpenBoxId && code == BN_CLICKED) {
        GuardedCall([&] {
            const long open = CopyParams().open == 0 ? 1 : 0;
            ComVariant value(open);
            ComBstr name(kOpenParam);
            RETURN_IF_FAILED(PutParamUI(name, value));
            Fire_OnChangeParam(Name().c_str(), kOpenParam, value);
            return S_OK;
        });
        return true;
    }
    return false;
}

// The chosen path goes into the edit, whose own change handler stores and fires it.
void CXFER_ClipboardObject::OnBrowseApplication() noexcept {
    GuardedCall([&] {
        CFileChooserDlg chooser;
        if (chooser.DoModal(GetActiveWindow()) != IDOK)
            return S_FALSE;
        if (auto* edit = static_cast<CColorEdit*>(Control(kClipboardExecEditId)))
            edit->SetWindowTextW(chooser.FilePath().c_str());
        return S_OK;
    });
}
