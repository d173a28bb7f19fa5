#include "file_transport.h"

#include <cwchar>
#include <optional>

#include "com_bstr.h"
#include "file_util.h"
#include "rendered_pages.h"
#include "output_path.h"
#include "post_processor.h"
#include "wide_text.h"

namespace {

enum FileControlId {
    kPathEdit = 200,
    kFileNameEdit = 202,
    kAppendBox = 203,
    kOpenWithBox = 204,
    kApplicationEdit = 205,
    kParametersEdit = 209,
    kHideBox = 210,
    kWaitBox = 211,
};

const PluginDescriptor kDescriptor = {kFileTransportName,
                                      L"Bpath,Bfilename,Bexec,Bparam,Lappend,Lhide,Lopen,Lwait",
                                      nullptr, nullptr, 103};

const ParamRow<FileTransportParams> kParams[] = {
    StringParam(L"path", &FileTransportParams::path, kPathEdit),
    StringParam(L"filename", &FileTransportParams::filename, kFileNameEdit),
    StringParam(L"exec", &FileTransportParams::exec, kApplicationEdit),
    StringParam(L"param", &FileTransportParams::param, kParametersEdit),
    LongParam(L"append", &FileTransportParams::append, kAppendBox),
    LongParam(L"hide", &FileTransportParams::hide, kHideBox),
    LongParam(L"open", &FileTransportParams::open, kOpenWithBox),
    LongParam(L"wait", &FileTransportParams::wait, kWaitBox),
};

} // namespace

CXFER_FileObject::CXFER_FileObject()
    : CTransportPlugin(kFileTransportClsid, kDescriptor, Rows(kParams),
                       {kFileTransportPage, kFileTransportPageSize}) {}

HRESULT CXFER_FileObject::FinalConstruct() {
    RETURN_IF_FAILED(CTransportPlugin::FinalConstruct());
    // Until the host pushes values or resets them, no folder and no name are set: a save then
    // reports missing parameters instead of writing to the defaults' place.
    const ComVariant empty(L"");
    for (const wchar_t* name : {L"path", L"filename"}) {
        const ComBstr param(name);
        RETURN_IF_FAILED(PutParamValue(param, empty, false));
    }
    return S_OK;
}

HRESULT CXFER_FileObject::Fail(const wchar_t* message) {
    FireLastError(message);
    return E_FAIL;
}

HRESULT CXFER_FileObject::OnSend(IRenderedCollection* pages, long wholeJob, long page) {
    const FileTransportParams params = CopyParams();
    if (params.filename.empty() || params.path.empty() || (params.open && params.exec.empty()))
        return Fail(L"Not enough parameters");
    // Pages are counted from 1; the core passes 1 for a whole job.
    if (!pages || page < 1)
        return Fail(L"GetPage");
    const bool append = params.append != 0;

    long pageMacros = 0;
    std::wstring file;
    RETURN_IF_FAILED(TargetFile(pages, params, page, &pageMacros, &file));
    if (pageMacros == 0) {
        // A folder that cannot be made shows up as the file's creation failure.
        CreateDirectoryPath(file.c_str());
        RETURN_IF_FAILED(WriteJobToFile(file, pages, wholeJob, page - 1, append));
        if (params.open)
            LaunchPostProcessor(pages, page, file, params);
        return S_OK;
    }

    // One file per page: the pages from page to the job's last, or the one page.
    long last = page;
    if (wholeJob && FAILED(pages->Count(&last)))
        return Fail(L"GetPage");
    for (long p = page; p <= last; ++p) {
        if (p != page)
            RETURN_IF_FAILED(TargetFile(pages, params, p, &pageMacros, &file));
        CreateDirectoryPath(file.c_str());
        RETURN_IF_FAILED(WriteJobToFile(file, pages, 0, p - 1, append));
        if (params.open)
            LaunchPostProcessor(pages, p, file, params);
        if (p == last)
            break;
    }
    return S_OK;
}

HRESULT CXFER_FileObject::TargetFile(IRenderedCollection* pages, const FileTransportParams& params,
                                     long page, long* pageMacros, std::wstring* file) {
    // The folder and the name are expanded apart, so that whatever the macros put into the
    // name (a document's title, say) is known to be the name and is kept inside the folder.
    std::wstring folder, name;
    if (FAILED(ExpandMacros(pages, params.path, page, 1, pageMacros, &folder)) ||
        FAILED(ExpandMacros(pages, params.filename, page, 1, pageMacros, &name)))
        return Fail(L"Create Output File");
    // The system would read the folder only up to a null character.
    folder.resize(std::wcslen(folder.c_str()));
    const std::optional<std::u16string> path =
        output_path::FileInFolder(ToU16(folder), ToU16(name));
    if (!path)
        return Fail(L"Create Output File");
    *file = FromU16(*path);
    return S_OK;
}

void CXFER_FileObject::LaunchPostProcessor(IRenderedCollection* pages, long page,
                                           const std::wstring& fileName,
                                           const FileTransportParams& params) {
    PostProcessor postProcessor{params.exec, params.param, params.hide, params.wait};
    if (FAILED(::LaunchPostProcessor(pages, page, postProcessor, &fileName)))
        FireLastError(L"Cannot execute post-processor");
}
