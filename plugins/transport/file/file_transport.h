#pragma once
#include <string>

#include "file_transport_id.h"
#include "transport_plugin.h"

struct FileTransportParams {
    std::wstring path = L"{{SYSFOLDER(PERSONAL)}}"; // the folder; may hold macros
    std::wstring filename = L"{{DOCNAME}}.{{EXT}}"; // a page macro gives a file per page
    std::wstring exec;                              // the post-processor
    std::wstring param;                             // its arguments, before the file
    long append = 0;
    long hide = 0;
    long open = 0; // run the post-processor on each file written
    long wait = 0;
};

// The settings page's controls, in the order they are made and given the background.
extern const PageControl kFileTransportPage[];
extern const size_t kFileTransportPageSize;

// The file transport: writes the rendered text of a job, or of one page, into a file below the
// chosen folder (one file per page when the name holds a page macro), appending or replacing,
// with a byte-order mark for UTF-16 text at the start of a file, and runs the post-processor
// on each file it has written. Reports failures as OnError and E_FAIL; a file is never counted
// as written unless every byte of it was.
class CXFER_FileObject : public CTransportPlugin<CXFER_FileObject, FileTransportParams> {
public:
    CXFER_FileObject();

    HRESULT FinalConstruct() override;
    // As the frame's; "open" also applies the enabling rule on the page.
    STDMETHODIMP PutParamUI(BSTR name, VARIANT value) override;

protected:
    HRESULT OnSend(IRenderedCollection* pages, long wholeJob, long page) override;
    void OnParamsShown() noexcept override;
    void OnPageCreated() noexcept override;
    bool OnPageCommand(int id, int code) noexcept override;

private:
    // The file for page: the folder and the name expanded (page macros counted into
    // *pageMacros) and the name made to lie inside the folder. Fires OnError on failure.
    HRESULT TargetFile(IRenderedCollection* pages, const FileTransportParams& params, long page,
                       long* pageMacros, std::wstring* file);
    // One file: the whole job (first ignored) or the page index first (from 0), with its own
    // progress from 0 to 100. S_OK, or E_FAIL after OnError.
    HRESULT WriteJobToFile(const std::wstring& fileName, IRenderedCollection* pages, long wholeJob,
                           long first, bool append);
    // Runs the post-processor on a file written; a failure is only reported.
    void LaunchPostProcessor(IRenderedCollection* pages, long page, const std::wstring& fileName,
                             const FileTransportParams& params);
    HRESULT Fail(const wchar_t* message);

    // The page: the application's controls follow "OpenWith".
    void EnableApplicationControls(bool enable) noexcept;
    void OnOpenWithClicked() noexcept;
    void OnBrowseFolder() noexcept;
    void OnBrowseFile() noexcept;
    void OnBrowseApplication() noexcept;
    void SetEditText(int id, const std::wstring& text) noexcept;
};
