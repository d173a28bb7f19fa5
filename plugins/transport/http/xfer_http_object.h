#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "critical_section.h"
#include "http_upload.h"
#include "transport_plugin.h"

// The HTTP transport's parameters (descriptor "Burl,Bfile,Buser,Epassword,Lput"). The password
// is a plain string here; only the core stores it protected.
struct HttpParams {
    std::wstring url;  // target URL, may hold macros
    std::wstring file; // PUT: the last segment of the target path; POST: the "filename" field
    std::wstring user; // empty: no authorization
    std::wstring password;
    long put = 0; // 0: multipart POST; anything else: PUT
};

// The HTTP transport: uploads the text of a job, or of one page, to a web server. The URL and
// the file name are expanded by the core for each upload; a page macro in either makes one
// upload per page. The plug-in logs nothing.
class CXFER_HTTPObject : public CTransportPlugin<CXFER_HTTPObject, HttpParams>,
                         private UploadReporter {
public:
    // Each send and each receive of a connection may wait this long (WinINet's own default on
    // Windows).
    static constexpr DWORD kDefaultTimeoutMs = 30000;

    CXFER_HTTPObject();

    void SetNetworkTimeout(DWORD milliseconds) noexcept { timeoutMs_ = milliseconds; }
    // The step of the upload under way; after a failure, the message that went out.
    std::wstring StepText() const;

protected:
    HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) override;

private:
    struct ExpandedNames {
        std::wstring url;
        std::wstring fileName;
    };

    HRESULT SendPages(IRenderedCollection* pages, const HttpParams& params, long wholeJob,
                      long page);
    HRESULT Expand(IRenderedCollection* pages, const HttpParams& params, long page,
                   long* pageMacros, ExpandedNames* names);
    HRESULT Upload(IRenderedCollection* pages, const HttpParams& params, bool wholeJob, long first,
                   const ExpandedNames& names);
    HRESULT Report(const wchar_t* message) noexcept;

    void Progress(long percent) noexcept override;
    void Error(const std::wstring& message) noexcept override;

    mutable CriticalSection stepLock_;
    std::wstring step_;
    std::atomic<DWORD> timeoutMs_{kDefaultTimeoutMs};
};
