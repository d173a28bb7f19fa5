// Saving through transports: one send thread per enabled transport, the entries a whole-job
// save adds around the pages, and the end of a save.
#include "cqlx.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_result.h"
#include "error_ids.h"
#include "handle.h"
#include "log.h"
#include "plugin_lists.h"
#include "report_error.h"
#include "save_view.h"
#include "spool_job.h"

// One save, shared by its send threads: the job it saves, the settings it converts pages
// with, and how many of its threads are still running.
struct CQLX::SaveRun {
    CQLX* engine = nullptr;
    uint64_t job_serial = 0;
    bool whole_job = false;
    LONG page = 1; // 1-based
    ComPtr<IRenderedCollection> pages;
    volatile LONG remaining = 0;
    volatile LONG failed = 0;
};

namespace {

long ThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

// Parameters of one send thread, freed by the thread.
struct SendParams {
    std::shared_ptr<CQLX::SaveRun> run;
    ComPtr<IQLX_TPLUGIN> plugin;
};

// The separator page's text: its bytes in the system's ANSI code page, up to the first zero.
bool ReadSeparator(const WString& path, uint32_t size, std::wstring* text) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        LogErrorNum(L'C', L"Cannot open separator page file", static_cast<long>(GetLastError()));
        return false;
    }
    std::vector<char> bytes(size);
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data(), size, &read, nullptr)) {
        LogErrorNum(L'C', L"Cannot read separator page file", static_cast<long>(GetLastError()));
        return false;
    }
    bytes.resize(read);
    size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0)
        ++length;
    text->clear();
    if (length == 0)
        return true;
    const int wide =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(length), nullptr, 0);
    if (wide <= 0)
        return false;
    text->resize(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(length), &(*text)[0], wide);
    return true;
}

} // namespace

bool CQLX::ClaimSave() noexcept {
    if (InterlockedCompareExchange(&save_starting_, 1, 0) != 0)
        return false;
    if (send_counter_.Count() > 0) {
        SetFlag(save_starting_, 0);
        return false;
    }
    return true;
}

void CQLX::AddSaveEntries(SpoolJob& job) noexcept {
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    if (!pages)
        return;
    FormatRef format = plugins_->SelectedFormat();
    if (ComPtr<IQLX_RPLUGIN> plugin = format ? format->Object() : nullptr) {
        ComBstr header;
        if (SUCCEEDED(plugin->GetHeader(job.dpi, &header)) && header &&
            SUCCEEDED(pages->Insert(0, header)))
            job.SetFlags(kJobHeaderEntry);
        ComBstr footer;
        if (SUCCEEDED(plugin->GetFooter(&footer)) && footer && SUCCEEDED(pages->Add(footer)))
            job.SetFlags(kJobFooterEntry);
    }
    if (job.separator_size == 0)
        return;
    std::wstring separator;
    GuardedCall([&] {
        if (ReadSeparator(job.separator_file, job.separator_size, &separator)) {
            ComBstr text(separator.c_str(), static_cast<UINT>(separator.size()));
            if (text && SUCCEEDED(pages->Insert(0, text)))
                job.SetFlags(kJobSeparatorEntry);
        }
        return S_OK;
    });
}

HRESULT CQLX::SendPage(LONG index, bool whole_job) noexcept {
    LogInfoNum(L'C', L"CQLX::SavePage", index);
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    LONG count = 0;
    if (pages)
        pages->get_Count(&count);
    LogInfoNum(L'C', L"CQLX::SavePage: pages=", count);
    if (index < 0 || index >= count)
        return ReportError(IDS_INVALID_PAGE_NUMBER);

    std::vector<ComPtr<IQLX_TPLUGIN>> transports;
    std::vector<std::wstring> names;
    for (const TransportRef& record : plugins_->EnabledTransports()) {
        if (ComPtr<IQLX_TPLUGIN> plugin = record->Object()) {
            transports.push_back(plugin);
            names.push_back(record->Name().c_str());
        }
    }
    SpoolJob* job = nullptr;
    uint64_t serial = 0;
    {
        CriticalSectionLock hold(render_lock_);
        job = processed_job_.load();
        serial = processed_serial_;
    }
    if (!job)
        return ReportError(IDS_NO_JOB_READY);
    if (transports.empty()) {
        // Nowhere to save to is a failure; with Autosave the job must not hold up the queue.
        const HRESULT hr = ReportError(IDS_NO_TRANSPORTS_SELECTED);
        if (whole_job && Autosave() != 0) {
            CloseJobIf(serial);
            OpenJob();
        }
        return hr;
    }

    auto run = std::make_shared<SaveRun>();
    run->engine = this;
    run->job_serial = serial;
    run->whole_job = whole_job;
    run->page = whole_job ? 1 : index + 1;
    if (whole_job) {
        poster_.PostOnSavingEvent(2);
        AddSaveEntries(*job);
    } else {
        poster_.PostOnSavingEvent(1);
    }
    // The save converts every page with the settings it started with.
    RETURN_IF_FAILED(SaveView::Create(*this, ReadRenderedSettings(), std::addressof(run->pages)));

    run->remaining = static_cast<LONG>(transports.size());
    for (size_t i = 0; i < transports.size(); ++i)
        send_counter_.Enter();
    LONG started = 0;
    for (size_t i = 0; i < transports.size(); ++i) {
        LogInfoStr(L'C', L"Spawn Transport Plugin ", names[i].c_str());
        std::unique_ptr<SendParams> params(new (std::nothrow) SendParams{run, transports[i]});
        HANDLE thread =
            params ? CreateThread(nullptr, 0, send_thread, params.get(), 0, nullptr) : nullptr;
        if (thread) {
            params.release();
            CloseHandle(thread);
            ++started;
            continue;
        }
        LogErrorNum(L'C', L"CQLX::SendPage Thread creation failed for page", index);
        InterlockedIncrement(&run->failed);
        // Counted as one of the save's threads that ended: the last one ends the save.
        FinishSend(*run, true);
    }
    LogInfoNum(L'C', L"CQLX::SavePage Done", index);
    return started > 0 ? S_OK : ReportError(IDS_TRANSPORT_START_FAILED);
}

DWORD WINAPI CQLX::send_thread(void* param) noexcept {
    std::unique_ptr<SendParams> params(static_cast<SendParams*>(param));
    SaveRun& run = *params->run;
    CQLX& engine = *run.engine;
    HeldShare share(engine.send_counter_, HeldShare::kAdopt);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    LogInfoNum(L'C', L"send_thread begin", ThreadId());
    bool failed = engine.SendThroughTransport(run, params->plugin.Get());
    if (failed)
        InterlockedIncrement(&run.failed);
    engine.FinishSend(run, false);
    LogInfoNum(L'C', L"send_thread done", ThreadId());
    params->plugin.Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

// True when the send failed or was aborted.
bool CQLX::SendThroughTransport(SaveRun& run, IQLX_TPLUGIN* plugin) noexcept {
    UINT failure = 0;
    bool aborted = Flag(cancelling_) != 0;
    if (!aborted) {
        if (plugin->StartJob() != S_OK) {
            failure = IDS_TRANSPORT_START_FAILED;
        } else {
            // A transport that started a job always ends it: a printer document or the
            // clipboard would stay open otherwise.
            if (Flag(cancelling_)) {
                aborted = true;
            } else if (plugin->Send(run.pages.Get(), run.whole_job ? 1 : 0, run.page) != S_OK) {
                failure = IDS_TRANSPORT_PROCESS_FAILED;
            }
            const HRESULT ended = plugin->EndJob();
            if (!aborted && failure == 0) {
                if (Flag(cancelling_))
                    aborted = true;
                else if (ended != S_OK)
                    failure = IDS_TRANSPORT_END_FAILED;
            }
        }
    }
    if (aborted) {
        LogWarnNum(L'C', L"Sending thread aborted:", run.page);
        return true;
    }
    if (failure != 0) {
        AbortProcessing(run.whole_job, failure);
        return true;
    }
    return false;
}

void CQLX::FinishSend(SaveRun& run, bool never_started) noexcept {
    if (!never_started)
        LogInfo(L'C', L"send_thread OnExit");
    const bool last = InterlockedDecrement(&run.remaining) == 0;
    if (last) {
        if (run.whole_job) {
            poster_.PostOnSavingEvent(5);
            // Only a save that went through everywhere drops its job, and only that job; a
            // failure's cancel closes it otherwise.
            if (Flag(run.failed) == 0 && !Flag(cancelling_)) {
                CloseJobIf(run.job_serial);
                OpenJob();
            }
        } else {
            poster_.PostOnSavingEvent(4);
        }
    }
    // Left once the end is handled, so that no later save starts on the job being closed.
    if (never_started)
        send_counter_.Leave();
}

void CQLX::AbortProcessing(bool whole_job, UINT id) noexcept {
    LogInfo(L'C', L"CQLX::AbortProcessing");
    if (Flag(cancelling_)) {
        LogInfo(L'C', L"CQLX::AbortProcessing skipped, already cancelling");
        return;
    }
    if (whole_job) {
        InterlockedIncrement(&failed_sends_);
        CancelJob();
    }
    GuardedCall([&] {
        const WString text = ErrorMessage(id, nullptr);
        LogError(L'C', text.c_str());
        poster_.PostOnError(static_cast<long>(id) - 200, text.c_str());
        return S_OK;
    });
}

// Entry points

STDMETHODIMP CQLX::SaveAllPages() {
    LogInfo(L'C', L"SaveAllPages");
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    UINT refused = 0;
    {
        // Read under render_lock: a cancel may be closing the job.
        CriticalSectionLock hold(render_lock_);
        const SpoolJob* job = processed_job_.load();
        if (!job || (job->Flags() & kJobRendered) == 0)
            refused = IDS_NO_JOB_READY;
        else if (job->PageCount() == 0)
            refused = IDS_INVALID_PAGE_NUMBER;
    }
    if (refused != 0)
        return ReportError(refused);
    if (!ClaimSave())
        return ReportError(IDS_BUSY_PROCESSING);
    SetFlag(failed_sends_, 0);
    const HRESULT hr = SendPage(0, true);
    SetFlag(save_starting_, 0);
    return hr;
}

STDMETHODIMP CQLX::SavePage(LONG page_number) {
    LogInfo(L'C', L"SavePage");
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    const UINT refused = RefusePageOfJob(page_number);
    if (refused != 0)
        return ReportError(refused);
    if (!ClaimSave())
        return ReportError(IDS_BUSY_PROCESSING);
    SetFlag(failed_sends_, 0);
    const HRESULT hr = SendPage(page_number, false);
    SetFlag(save_starting_, 0);
    return hr;
}

UINT CQLX::RefusePageOfJob(LONG page_number) noexcept {
    CriticalSectionLock hold(render_lock_);
    const SpoolJob* job = processed_job_.load();
    if (!job)
        return IDS_NO_JOB_READY;
    if (page_number < 0 || static_cast<unsigned>(page_number) >= job->PageCount())
        return IDS_INVALID_PAGE_NUMBER;
    return 0;
}

void CQLX::WaitForSave() noexcept {
    if (send_counter_.Count() > 0)
        send_counter_.Wait(L"Waiting for save completion");
}

STDMETHODIMP CQLX::SavePageWait(LONG page_number) {
    const HRESULT hr = SavePage(page_number);
    WaitForSave();
    return hr;
}

STDMETHODIMP CQLX::SaveAllPagesWait() {
    const HRESULT hr = SaveAllPages();
    WaitForSave();
    return hr;
}
