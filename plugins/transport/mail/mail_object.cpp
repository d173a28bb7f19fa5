#include "mail_object.h"

#include "ansi_text.h"
#include "com_bstr.h"
#include "com_safearray.h"
#include "com_variant.h"
#include "mail_text.h"
#include "mapi_binding.h"
#include "private_attachment.h"

namespace {

const PluginDescriptor kDescriptor = {kMailName, kMailLayout, nullptr, nullptr, kMailPageId};

const ParamRow<MailParams> kParams[] = {
    StringParam(L"message", &MailParams::message, kMailMessageEditId),
    StringParam(L"mail", &MailParams::mail, kMailToEditId),
    StringParam(L"subject", &MailParams::subject, kMailSubjectEditId),
    LongParam(L"attach", &MailParams::attach, kMailAttachBoxId),
    StringParam(L"filename", &MailParams::filename, kMailFilenameEditId),
};

const PageControl kPage[] = {
    {PageControlKind::kLabel, L"To:", -1, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kEdit, L"", kMailToEditId, {5, 25, 285, 45}, nullptr},
    {PageControlKind::kLabel, L"Subject", -1, {5, 55, 75, 75}, nullptr},
    {PageControlKind::kEdit, L"", kMailSubjectEditId, {5, 75, 285, 95}, nullptr},
    {PageControlKind::kLabel, L"Message", -1, {5, 105, 75, 125}, nullptr},
    {PageControlKind::kMultilineEdit, L"", kMailMessageEditId, {5, 125, 285, 195}, nullptr},
    {PageControlKind::kCheckBox,
     L"Send as attachment",
     kMailAttachBoxId,
     {5, 205, 285, 225},
     nullptr},
    {PageControlKind::kLabel, L"Filename", -1, {5, 225, 75, 245}, nullptr},
    {PageControlKind::kEdit, L"", kMailFilenameEditId, {5, 245, 285, 265}, nullptr},
};

// Between the message and the pages of a body.
constexpr char kBodySeparator[] =
    "\n_____________________________________________________________________\n\n";
constexpr wchar_t kDefaultAttachmentName[] = L"{{DOCNAME}}.{{EXT}}";
constexpr wchar_t kAttachParam[] = L"attach";

std::u16string ToU16(const std::wstring& text) {
    return std::u16string(text.begin(), text.end());
}

std::wstring FromU16(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

// The bytes of a page as the core's Item gives them: a one-dimensional array of bytes.
struct PageBytes {
    const void* data = nullptr;
    ULONG size = 0;
};

bool IsByteVector(const VARIANT& item) {
    return item.vt == (VT_ARRAY | VT_UI1) && item.parray && SafeArrayGetDim(item.parray) == 1 &&
           SafeArrayGetElemsize(item.parray) == 1;
}

ULONG ElementCount(SAFEARRAY* array) {
    LONG low = 0, high = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &low)) || FAILED(SafeArrayGetUBound(array, 1, &high)))
        return 0;
    return high >= low ? static_cast<ULONG>(high - low + 1) : 0;
}

} // namespace

CXFER_MailObject::CXFER_MailObject()
    : CTransportPlugin(CLSID_XFER_Mail, kDescriptor, Rows(kParams), Rows(kPage)) {}

HRESULT CXFER_MailObject::Fail(const wchar_t* message) {
    FireLastError(message);
    return E_FAIL;
}

HRESULT CXFER_MailObject::OnStartJob() {
    const MailParams params = CopyParams();
    RecipientArray recipients;
    for (const std::u16string& address : mail_text::SplitRecipients(ToU16(params.mail)))
        recipients.push_back(FromU16(address));
    recipients_ = std::move(recipients);
    // A list of separators and blanks names nobody: nothing would be sent.
    if (recipients_.empty())
        return Fail(L"No mail addresses provided");
    return S_OK;
}

HRESULT CXFER_MailObject::OnEndJob() {
    recipients_.clear();
    return S_OK;
}

HRESULT CXFER_MailObject::OnSend(IRenderedCollection* pages, long wholeJob, long page) {
    RETURN_IF_NULL(pages);
    const MailParams params = CopyParams();
    Fire_OnProgress(Name().c_str(), 0);
    if (recipients_.empty())
        return Fail(L"No mail addresses provided");
    PageRange range;
    if (FAILED(GetPageRange(pages, wholeJob, page, &range))) {
        recipients_.clear();
        return Fail(L"GetPage");
    }
    const size_t count = recipients_.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string address = ToAnsiText(recipients_[i]);
        const HRESULT hr = params.attach ? SendMailAsAttachment(pages, params, range, address)
                                         : SendMailAsBody(pages, params, range, address);
        if (FAILED(hr)) {
            recipients_.clear();
            return E_FAIL;
        }
        Fire_OnProgress(Name().c_str(), static_cast<long>(100 * i / count));
    }
    Fire_OnProgress(Name().c_str(), 100);
    return S_OK;
}

HRESULT CXFER_MailObject::ExpandTexts(IRenderedCollection* pages, const MailParams& params,
                                      std::string* subject, std::wstring* message) {
    std::wstring expandedSubject;
    if (FAILED(ExpandMacros(pages, params.subject, 0, 0, &expandedSubject)) ||
        FAILED(ExpandMacros(pages, params.message, 0, 0, message)))
        return Fail(L"TranslateString");
    // A line break in the subject would start another header line of the mail.
    *subject = ToAnsiText(FromU16(mail_text::ReplaceLineBreaks(ToU16(expandedSubject))));
    return S_OK;
}

HRESULT CXFER_MailObject::SendMailAsBody(IRenderedCollection* pages, const MailParams& params,
                                         const PageRange& range, const std::string& address) {
    const MapiBinding binding;
    // The body is sized by what goes into it; the sizes only show that every page is there.
    for (long i = range.first; i < range.end; ++i) {
        long size = 0;
        if (FAILED(pages->ItemSize(i, &size)))
            return Fail(L"ItemSize");
    }
    std::string subject;
    std::wstring message;
    RETURN_IF_FAILED(ExpandTexts(pages, params, &subject, &message));

    std::string body = ToAnsiText(message);
    body += kBodySeparator;
    PageProgress progress;
    for (long i = range.first; i < range.end; ++i) {
        ComBstr text;
        if (FAILED(pages->GetItem(i, &text)))
            return Fail(L"GetPage");
        AppendAnsiText(text.c_str(), text.Length(), body);
        long value = 0;
        if (progress.Grew(i - range.first, range.Length(), &value))
            Fire_OnProgress(Name().c_str(), value);
    }
    if (!CallMapiSendMail(binding, address, subject, body, nullptr))
        return Fail(L"SendMail error");
    return S_OK;
}

HRESULT CXFER_MailObject::SendMailAsAttachment(IRenderedCollection* pages, const MailParams& params,
                                               const PageRange& range, const std::string& address) {
    const MapiBinding binding;
    long unicode = 0;
    if (FAILED(pages->Unicode(&unicode)))
        unicode = 0;
    std::wstring name;
    if (FAILED(ExpandMacros(pages,
                            params.filename.empty() ? kDefaultAttachmentName : params.filename, 0,
                            1, &name)))
        return Fail(L"TranslateString");
    std::string subject;
    std::wstring message;
    RETURN_IF_FAILED(ExpandTexts(pages, params, &subject, &message));

    // Removed with its folder on every way out of here.
    PrivateAttachment attachment;
    if (!attachment.Create(name))
        return Fail(L"Create Output File");
    static const BYTE kByteOrderMark[] = {0xFF, 0xFE};
    if (unicode && !attachment.Write(kByteOrderMark, sizeof(kByteOrderMark)))
        return Fail(L"WriteFile");
    for (long i = range.first; i < range.end; ++i) {
        ComVariant item;
        if (FAILED(pages->Item(i, &item)))
            return Fail(L"GetPage");
        if (!IsByteVector(item))
            return Fail(L"Access page data");
        const ULONG size = ElementCount(item.parray);
        if (size == 0)
            continue;
        const SafeArrayAccess data(item.parray);
        if (!data)
            return Fail(L"Access page data");
        if (!attachment.Write(data.Data(), size))
            return Fail(L"WriteFile");
    }
    // The mail client reads the file whole: it is complete and closed before MAPI sees it.
    if (!attachment.Close())
        return Fail(L"WriteFile");
    const std::string path = attachment.AnsiPath();
    if (!CallMapiSendMail(binding, address, subject, ToAnsiText(message), &path))
        return Fail(L"SendMail error");
    return S_OK;
}

STDMETHODIMP CXFER_MailObject::PutParamUI(BSTR name, VARIANT value) {
    RETURN_IF_FAILED(CTransportPlugin::PutParamUI(name, value));
    if (NameIs(name, kAttachParam) && PageExists())
        ApplyEnabling(CopyParams().attach);
    return S_OK;
}

// The rule holds from the page's first showing, before any value is put.
void CXFER_MailObject::OnPageCreated() noexcept {
    OnParamsShown();
}

void CXFER_MailObject::OnParamsShown() noexcept {
    GuardedCall([&] {
        ApplyEnabling(CopyParams().attach);
        return S_OK;
    });
}

void CXFER_MailObject::ApplyEnabling(long attach) noexcept {
    if (CColorWindowControl* filename = Control(kMailFilenameEditId))
        filename->Enable(attach != 0);
}

void CXFER_MailObject::KeepOnReset(const MailParams& current, MailParams& defaults) const {
    defaults.filename = current.filename;
}

// To, Subject and Message report the edit's text and keep the member: it changes when the
// host stores the value back.
void CXFER_MailObject::FireEditText(int id, const wchar_t* param) noexcept {
    GuardedCall([&] {
        ComVariant value(EditText(id).c_str());
        if (value.vt != VT_BSTR)
            return E_OUTOFMEMORY;
        Fire_OnChangeParam(Name().c_str(), param, value);
        return S_OK;
    });
}

bool CXFER_MailObject::OnPageCommand(int id, int code) noexcept {
    if (code == EN_CHANGE) {
        switch (id) {
        case kMailToEditId:
            FireEditText(id, L"mail");
            return true;
        case kMailSubjectEditId:
            FireEditText(id, L"subject");
            return true;
        case kMailMessageEditId:
            FireEditText(id, L"message");
            return true;
        default:
            return false; // the Filename edit stores and fires as every edit does
        }
    }
    if (id == kMailAttachBoxId && code == BN_CLICKED) {
        GuardedCall([&] {
            const long attach = CopyParams().attach == 0 ? 1 : 0;
            ComVariant value(attach);
            ComBstr name(kAttachParam);
            RETURN_IF_FAILED(PutParamUI(name, value));
            Fire_OnChangeParam(Name().c_str(), kAttachParam, value);
            return S_OK;
        });
        return true;
    }
    return false;
}
