#include "http_upload.h"

#include <wininet.h>

#include <new>
#include <vector>

#include "com_result.h"
#include "crack_url.h"
#include "http_status.h"
#include "internet_handle.h"
#include "multipart_body.h"
#include "random_bytes.h"
#include "rendered_page.h"
#include "request_headers.h"
#include "request_target.h"
#include "text16.h"
#include "upload_progress.h"
#include "url_encoding.h"

namespace {

constexpr wchar_t kAgent[] = L"Quorvane Lettrix";
constexpr wchar_t kUnexpected[] = L"Unexpected error occurred";
// A redirect would turn the upload into a GET without its body, which the server answers as if
// the upload had been stored: it is never followed, and its status is reported as a failure.
constexpr DWORD kHttpFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
// Expired certificates and certificates for another name are accepted.
constexpr DWORD kHttpsFlags = kHttpFlags | INTERNET_FLAG_SECURE |
                              INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                              INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr unsigned char kByteOrderMark[] = {0xFF, 0xFE};
// A file name that holds the drawn boundary gets another one; a random one never does twice.
constexpr int kBoundaryDraws = 8;

// Text in the ANSI code page, without best-fit replacements (which could turn a character into
// one that means something in the body); characters it lacks become its default character.
std::string AnsiBytes(const std::wstring& text) {
    if (text.empty())
        return {};
    const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int length = WideCharToMultiByte(
        CP_ACP, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), &bytes[0],
                        length, nullptr, nullptr);
    return bytes;
}

// Writes every byte; a write that takes nothing counts as a broken connection.
bool WriteAll(HINTERNET request, const void* data, size_t size) {
    const BYTE* at = static_cast<const BYTE*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!InternetWriteFile(request, at, chunk, &written))
            return false;
        if (written == 0) {
            SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
            return false;
        }
        at += written;
        size -= written;
    }
    return true;
}

class Upload {
public:
    Upload(const UploadRequest& request, IRenderedCollection* pages, UploadReporter& reporter,
           std::wstring& step)
        : request_(request), pages_(pages), reporter_(reporter), step_(step) {}

    HRESULT Run() {
        root_.Reset(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr,
                                  INTERNET_FLAG_NO_CACHE_WRITE));
        CrackedUrl url;
        if (!CrackUploadUrl(request_.url, &url))
            return Fail(L"Invalid URL");
        RETURN_IF_FAILED(OpenRequest(url));
        RETURN_IF_FAILED(AddHeaders());
        RETURN_IF_FAILED(MeasurePages());
        return Transmit();
    }

private:
    // A failure with its message, which becomes the step text.
    HRESULT Fail(const wchar_t* message) {
        step_ = message;
        reporter_.Error(step_);
        return E_FAIL;
    }
    // A failure named by the step text and a code: a WinINet error or a server's status.
    HRESULT FailWithCode(long code) {
        step_ += L" - " + std::to_wstring(code);
        reporter_.Error(step_);
        return E_FAIL;
    }
    // A failed WinINet call inside a send: the step and its error, for the retries to look at.
    HRESULT Raise(const wchar_t* step) {
        raised_ = GetLastError();
        step_ = step;
        return S_FALSE;
    }

    HRESULT OpenRequest(const CrackedUrl& url) {
        step_ = L"GetHttpConnection";
        connection_.Reset(InternetConnectW(root_.Get(), url.host.c_str(), url.port,
                                           request_.user.c_str(), request_.password.c_str(),
                                           INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection_)
            return Fail(L"GetHttpConnection");
        const std::wstring target = FromText16(
            RequestTarget(ToText16(url.path), ToText16(request_.fileName), request_.put));
        step_ = L"OpenRequest";
        const DWORD flags = url.scheme == INTERNET_SCHEME_HTTPS ? kHttpsFlags : kHttpFlags;
        http_.Reset(HttpOpenRequestW(connection_.Get(), request_.put ? L"PUT" : L"POST",
                                     target.c_str(), nullptr, nullptr, nullptr, flags, 0));
        if (!http_)
            return Fail(L"OpenRequest");
        SetTimeouts();
        return S_OK;
    }

    // A server that stops answering ends the upload instead of holding the send thread for
    // ever (Wine's WinINet waits without limit by default). A value that does not take leaves
    // WinINet's own.
    void SetTimeouts() {
        DWORD timeout = request_.timeoutMs;
        if (timeout == 0)
            return;
        InternetSetOptionW(http_.Get(), INTERNET_OPTION_SEND_TIMEOUT, &timeout, sizeof(timeout));
        InternetSetOptionW(http_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    }

    HRESULT AddHeaders() {
        if (!request_.put)
            RETURN_IF_FAILED(BuildBodyFrame());
        const std::wstring headers = FromText16(RequestHeaders(
            request_.put, ToText16(request_.user), ToText16(request_.password), boundary_));
        if (!HttpAddRequestHeadersW(http_.Get(), headers.c_str(),
                                    static_cast<DWORD>(headers.size()),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
            const long code = static_cast<long>(GetLastError());
            step_ = L"AddRequestHeaders";
            return FailWithCode(code);
        }
        return S_OK;
    }

    // The multipart head and tail around the pages, with a boundary of this request's own.
    HRESULT BuildBodyFrame() {
        const std::string name =
            AnsiBytes(FromText16(EncodeFormValue(ToText16(request_.fileName))));
        for (int draw = 0; draw < kBoundaryDraws; ++draw) {
            unsigned char random[kBoundaryRandomBytes];
            if (!FillRandom(random, sizeof(random)))
                return Fail(kUnexpected);
            boundary_ = MakeBoundary(random);
            if (BoundaryIsFree(boundary_, name)) {
                head_ = MultipartHead(boundary_, name);
                tail_ = MultipartTail(boundary_);
                return S_OK;
            }
        }
        return Fail(kUnexpected);
    }

    // The range of pages and their sizes, so that the request can declare its length and then
    // stream one page at a time.
    HRESULT MeasurePages() {
        LONG unicode = 0;
        if (FAILED(pages_->Unicode(&unicode)))
            return Fail(L"GetPage");
        unicode_ = unicode != 0;
        begin_ = request_.wholeJob ? 0 : request_.first;
        end_ = begin_ + 1;
        if (request_.wholeJob) {
            LONG count = 0;
            if (FAILED(pages_->Count(&count)))
                return Fail(L"GetPage");
            end_ = count > 0 ? count : 0;
        }
        unsigned long long total = unicode_ ? sizeof(kByteOrderMark) : 0;
        for (long j = begin_; j < end_; ++j) {
            LONG size = 0;
            if (FAILED(pages_->ItemSize(j, &size)) || size < 0)
                return Fail(L"ItemSize");
            sizes_.push_back(size);
            total += static_cast<unsigned long long>(size);
        }
        total += head_.size() + tail_.size();
        if (total > MAXDWORD)
            return Fail(L"ItemSize");
        bodyLength_ = static_cast<DWORD>(total);
        return S_OK;
    }

    // Sends until the server answers, retrying each of the two retriable errors once; a retry
    // sends the whole body again from its start, on the same request.
    HRESULT Transmit() {
        bool forceRetryAllowed = true;
        bool unknownAuthorityAllowed = true;
        for (;;) {
            const HRESULT hr = SendOnce();
            if (hr == E_FAIL)
                return hr;
            if (hr == S_OK)
                return CheckStatus();
            if (raised_ == ERROR_INTERNET_FORCE_RETRY && forceRetryAllowed) {
                forceRetryAllowed = false;
                continue;
            }
            if (raised_ == ERROR_INTERNET_INVALID_CA && unknownAuthorityAllowed) {
                unknownAuthorityAllowed = false;
                AllowUnknownAuthority();
                continue;
            }
            return FailWithCode(static_cast<long>(raised_));
        }
    }

    void AllowUnknownAuthority() {
        DWORD flags = 0;
        DWORD size = sizeof(flags);
        InternetQueryOptionW(http_.Get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
        flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
        InternetSetOptionW(http_.Get(), INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    }

    // One pass over the body. S_OK: an answer came; S_FALSE: a WinINet call failed (raised_);
    // E_FAIL: a failure already reported.
    HRESULT SendOnce() {
        INTERNET_BUFFERSW buffers{};
        buffers.dwStructSize = sizeof(buffers);
        buffers.dwBufferTotal = bodyLength_;
        if (!HttpSendRequestExW(http_.Get(), &buffers, nullptr, HSR_INITIATE, 0))
            return Raise(L"SendRequest");
        if (!WriteAll(http_.Get(), head_.data(), head_.size()))
            return Raise(L"WriteFile");
        reporter_.Progress(0);
        if (unicode_ && !WriteAll(http_.Get(), kByteOrderMark, sizeof(kByteOrderMark)))
            return Raise(L"WriteFile");
        UploadProgress progress(begin_, end_);
        for (long j = begin_; j < end_; ++j) {
            const HRESULT hr = SendPage(j);
            if (hr != S_OK)
                return hr;
            const long percent = progress.AfterPage(j);
            if (percent >= 0)
                reporter_.Progress(percent);
        }
        if (progress.NeedsFinal())
            reporter_.Progress(100);
        if (!WriteAll(http_.Get(), tail_.data(), tail_.size()))
            return Raise(L"WriteFile");
        // Where WinINet wants the request sent again (an authentication step), it says so here.
        if (!HttpEndRequestW(http_.Get(), nullptr, 0, 0))
            return Raise(L"EndRequest");
        wchar_t status[40] = {};
        DWORD size = sizeof(status);
        if (!HttpQueryInfoW(http_.Get(), HTTP_QUERY_STATUS_CODE, status, &size, nullptr))
            return Raise(L"QueryInfo");
        status_.assign(status, size / sizeof(wchar_t));
        return S_OK;
    }

    HRESULT SendPage(long j) {
        RenderedPage page;
        switch (page.Load(pages_, j)) {
        case RenderedPage::Result::kNoPage:
            return Fail(L"GetPage");
        case RenderedPage::Result::kNoData:
            return Fail(L"Access page data");
        case RenderedPage::Result::kOk:
            break;
        }
        // A page that changed size since it was measured would make the declared length wrong.
        if (page.Size() != static_cast<ULONG>(sizes_[static_cast<size_t>(j - begin_)]))
            return Fail(L"GetPage");
        if (page.Size() != 0 && !WriteAll(http_.Get(), page.Data(), page.Size()))
            return Raise(L"WriteFile");
        return S_OK;
    }

    // Only 2xx stored the upload. A status that is none (Wine's answer when the server said
    // nothing before the time-out) is an invalid answer.
    HRESULT CheckStatus() {
        const long status = ParseStatusCode(ToText16(status_));
        if (!IsHttpStatus(status)) {
            step_ = L"QueryInfo";
            return FailWithCode(ERROR_HTTP_INVALID_SERVER_RESPONSE);
        }
        if (!IsSuccessStatus(status))
            return FailWithCode(status);
        return S_OK;
    }

    const UploadRequest& request_;
    IRenderedCollection* pages_;
    UploadReporter& reporter_;
    std::wstring& step_;

    // Closed in the reverse order: request, connection, root.
    InternetHandle root_, connection_, http_;

    std::string boundary_, head_, tail_;
    bool unicode_ = false;
    long begin_ = 0, end_ = 0;
    std::vector<LONG> sizes_;
    DWORD bodyLength_ = 0;
    DWORD raised_ = 0;
    std::wstring status_;
};

} // namespace

HRESULT HttpUpload(const UploadRequest& request, IRenderedCollection* pages,
                   UploadReporter& reporter, std::wstring& step) noexcept {
    try {
        Upload upload(request, pages, reporter, step);
        return upload.Run();
    } catch (...) {
        // Out of memory (or any other throw) while building or sending: the handles are closed
        // by then.
        try {
            step = kUnexpected;
        } catch (...) {
        }
        reporter.Error(kUnexpected);
        return E_FAIL;
    }
}
