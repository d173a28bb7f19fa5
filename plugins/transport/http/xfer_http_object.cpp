#include "xfer_http_object.h"

#include "com_bstr.h"
#include "xfer_http_ids.h"

namespace {

constexpr wchar_t kUnexpected[] = L"Unexpected error occurred";
// TranslateString's flag: file-name-safe dates and times, 2 for the URL and 1 for the name.
constexpr long kUrlFlag = 2;
constexpr long kFileNameFlag = 1;

const PluginDescriptor kDescriptor = {L"HTTP", L"Burl,Bfile,Buser,Epassword,Lput", nullptr, nullptr,
                                      kHttpPageDialogId};

const ParamRow<HttpParams> kParams[] = {
    StringParam(L"url", &HttpParams::url, kHttpUrlEditId),
    StringParam(L"file", &HttpParams::file, kHttpFileEditId),
    StringParam(L"user", &HttpParams::user, kHttpUserEditId),
    StringParam(L"password", &HttpParams::password, kHttpPasswordEditId),
    LongParam(L"put", &HttpParams::put, kHttpPutBoxId),
};

const PageControl kPage[] = {
    {PageControlKind::kLabel, L"URL", -1, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kEdit, L"", kHttpUrlEditId, {5, 25, 285, 45}, nullptr},
    {PageControlKind::kLabel, L"File name", -1, {5, 55, 75, 75}, nullptr},
    {PageControlKind::kEdit, L"", kHttpFileEditId, {5, 75, 285, 95}, nullptr},
    {PageControlKind::kCheckBox, L"PUT method", kHttpPutBoxId, {5, 115, 135, 123}, nullptr},
    {PageControlKind::kLabel, L"User name", -1, {5, 135, 75, 155}, nullptr},
    {PageControlKind::kEdit, L"", kHttpUserEditId, {5, 155, 285, 175}, nullptr},
    {PageControlKind::kLabel, L"Password", -1, {5, 195, 75, 215}, nullptr},
    {PageControlKind::kPasswordEdit, L"", kHttpPasswordEditId, {5, 215, 285, 235}, nullptr},
};

HRESULT Translate(IRenderedCollection* pages, const std::wstring& text, long page, long flag,
                  long* pageMacros, std::wstring* out) {
    ComBstr input(text.c_str(), static_cast<UINT>(text.size()));
    if (!input)
        return E_OUTOFMEMORY;
    ComBstr result;
    LONG count = *pageMacros;
    RETURN_IF_FAILED(pages->TranslateString(input, page, flag, &count, &result));
    *pageMacros = count;
    out->assign(result.c_str(), result.Length());
    return S_OK;
}

} // namespace

CXFER_HTTPObject::CXFER_HTTPObject()
    : CTransportPlugin(kHttpTransportClsid, kDescriptor, Rows(kParams), Rows(kPage)) {}

std::wstring CXFER_HTTPObject::StepText() const {
    CriticalSectionLock hold(stepLock_);
    return step_;
}

HRESULT CXFER_HTTPObject::OnSend(IRenderedCollection* pages, long wholeJob, long page) {
    try {
        const HttpParams params = CopyParams();
        if (params.url.empty() || params.file.empty()) {
            FireLastError(L"Not enough parameters");
            return E_FAIL;
        }
        if (!pages)
            return Report(kUnexpected);
        return SendPages(pages, params, wholeJob, page);
    } catch (...) {
        return Report(kUnexpected);
    }
}

// One upload, or one per page when the URL or the file name holds a page macro. Each upload's
// URL and name are expanded once, so that an identity macro advances once per upload.
HRESULT CXFER_HTTPObject::SendPages(IRenderedCollection* pages, const HttpParams& params,
                                    long wholeJob, long page) {
    long pageMacros = 0;
    ExpandedNames names;
    if (FAILED(Expand(pages, params, page, &pageMacros, &names)))
        return Report(kUnexpected);
    if (pageMacros == 0)
        return Upload(pages, params, wholeJob != 0, page - 1, names);
    LONG last = page;
    if (wholeJob && FAILED(pages->Count(&last)))
        return Report(L"GetPage");
    for (long p = page; p <= last; ++p) {
        long ignored = 0;
        if (p != page && FAILED(Expand(pages, params, p, &ignored, &names)))
            return Report(kUnexpected);
        // The first failing upload ends the save; the pages after it are not sent.
        RETURN_IF_FAILED(Upload(pages, params, false, p - 1, names));
    }
    return S_OK;
}

HRESULT CXFER_HTTPObject::Expand(IRenderedCollection* pages, const HttpParams& params, long page,
                                 long* pageMacros, ExpandedNames* names) {
    RETURN_IF_FAILED(Translate(pages, params.url, page, kUrlFlag, pageMacros, &names->url));
    return Translate(pages, params.file, page, kFileNameFlag, pageMacros, &names->fileName);
}

HRESULT CXFER_HTTPObject::Upload(IRenderedCollection* pages, const HttpParams& params,
                                 bool wholeJob, long first, const ExpandedNames& names) {
    UploadRequest request;
    request.put = params.put != 0;
    request.user = params.user;
    request.password = params.password;
    request.url = names.url;
    request.fileName = names.fileName;
    request.wholeJob = wholeJob;
    request.first = first;
    request.timeoutMs = timeoutMs_;
    std::wstring step;
    const HRESULT hr = HttpUpload(request, pages, *this, step);
    CriticalSectionLock hold(stepLock_);
    step_.swap(step);
    return hr;
}

HRESULT CXFER_HTTPObject::Report(const wchar_t* message) noexcept {
    try {
        CriticalSectionLock hold(stepLock_);
        step_ = message;
    } catch (...) {
    }
    FireLastError(message);
    return E_FAIL;
}

void CXFER_HTTPObject::Progress(long percent) noexcept {
    Fire_OnProgress(Name().c_str(), percent);
}

void CXFER_HTTPObject::Error(const std::wstring& message) noexcept {
    FireLastError(message.c_str());
}
