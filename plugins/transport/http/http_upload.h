#pragma once
#include <windows.h>

#include <string>

#include "qlx_tplugin.h"

// What one upload sends and where: the parameters it uses and the names already expanded.
struct UploadRequest {
    bool put = false;
    std::wstring user;
    std::wstring password;
    std::wstring url;      // expanded
    std::wstring fileName; // expanded
    bool wholeJob = false;
    long first = 0;      // the first page, from 0 (0 for a whole job)
    DWORD timeoutMs = 0; // each send and each receive; 0 leaves WinINet's own
};

// Where an upload's progress and errors go (the plug-in's events).
class UploadReporter {
public:
    virtual void Progress(long percent) noexcept = 0;
    virtual void Error(const std::wstring& message) noexcept = 0;

protected:
    ~UploadReporter() = default;
};

// One HTTP request through WinINet that carries the pages of a whole job, or one page, as a PUT
// body or as the file field of a multipart POST. Only a 2xx answer is success; a redirect is not
// followed. An unknown certificate authority and WinINet's request to send again are each
// retried once. step is the plug-in's step text: the step under way, and after a failure the
// message reported. Returns S_OK, or E_FAIL once the failure went to the reporter. Handles are
// closed on every way out; nothing is thrown.
HRESULT HttpUpload(const UploadRequest& request, IRenderedCollection* pages,
                   UploadReporter& reporter, std::wstring& step) noexcept;
