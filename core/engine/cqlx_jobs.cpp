// Job processing: opening the next job on its job thread, rendering its pages as they are
// captured, closing it, and the cancel operations.
#include "cqlx.h"

#include <winspool.h>

#include <memory>
#include <vector>

#include "com_bstr.h"
#include "com_result.h"
#include "com_variant.h"
#include "core_schema.h"
#include "cfg_store.h"
#include "doc_name.h"
#include "error_ids.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "printer_handle.h"
#include "spool_job.h"

namespace {

long ThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

// With AsyncEvents the user interface should have the job's events before its pages go; a
// listener that hangs must not hold the close up for ever.
constexpr DWORD kEventDrainLimitMs = 5000;
constexpr DWORD kEventDrainStepMs = 10;

bool HasItems(const SpoolJob& job) {
    for (unsigned i = 0; i < job.PageCount(); ++i) {
        const SpoolPage* page = job.Page(i);
        if (page && page->ItemCount() > 0)
            return true;
    }
    return false;
}

} // namespace

DWORD CQLX::PrintTimeoutMs() const noexcept {
    SrwGuard guard(state_lock_);
    const DWORD seconds = options_.print_timeout;
    // Large values would overflow into a short or an endless wait.
    return seconds >= INFINITE / 1000 ? INFINITE - 1 : seconds * 1000;
}

bool CQLX::StartWorker(LPTHREAD_START_ROUTINE entry, BusyCounter& counter,
                       const wchar_t* failure) noexcept {
    HANDLE thread = CreateThread(nullptr, 0, entry, this, 0, nullptr);
    if (!thread) {
        LogErrorNum(L'C', failure, static_cast<long>(GetLastError()));
        counter.Leave();
        return false;
    }
    CloseHandle(thread);
    return true;
}

bool CQLX::OnWorkerThread() const noexcept {
    return processing_counter_.SharesOfThisThread() > 0 || send_counter_.SharesOfThisThread() > 0;
}

void CQLX::WakeJobThread() noexcept {
    SetFlag(page_signal_pending_, 0);
    SetEvent(page_event_.Get());
}

// Opening

void CQLX::OpenJob() {
    // A pending job is processed even when the idle engine let its plug-ins go in between.
    if (!Flag(halting_) && intake_ && intake_->job_list().Count() > 0)
        PostStartImpl();
    bool idle = false;
    {
        CriticalSectionLock hold(render_lock_);
        RenderBusyFlag busy(render_busy_);
        if (processed_job_.load() || Flag(stopping_) || Flag(stopped_) || Flag(halting_))
            return;
        SpoolJob* job = intake_->job_list().Front();
        if (job) {
            processed_job_.store(job);
            ++processed_serial_;
            processing_counter_.Enter();
            LogInfo(L'C', L"CQLX::OpenJob");
            // On failure the job stays the processed one, as after "Format plugin is not set":
            // a cancel closes it.
            StartWorker(open_job_thread, processing_counter_,
                        L"CKW::OpenJob Thread creation failed");
            return;
        }
        LogInfoNum(L'C', L"CQLX::OpenJob No Next Job Available", poster_.Listeners());
        idle = !intake_->IsReceiving() && poster_.Listeners() == 0;
    }
    if (idle)
        PreStop();
}

DWORD WINAPI CQLX::open_job_thread(void* self) noexcept {
    auto* engine = static_cast<CQLX*>(self);
    HeldShare share(engine->processing_counter_, HeldShare::kAdopt);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    engine->OpenJobImpl();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void CQLX::OpenJobImpl() noexcept {
    LogInfo(L'C', L"CQLX::OpenJobImpl [");
    // Only a close frees the job, and a close waits for this thread first.
    SpoolJob* job = processed_job_.load();
    if (!job)
        return;
    LogInfoNum(L'C', L"CQLX::OpenJob Got Next Job:", job->job_id);
    if (CurrentPrinter() != job->printer.c_str())
        put_PrinterImpl(job->printer.c_str());

    FormatRef format = plugins_->SelectedFormat();
    ComPtr<IQLX_RPLUGIN> plugin = format ? format->Object() : nullptr;
    if (!plugin) {
        LogError(L'C', L"Format plugin is not set");
        return;
    }
    std::wstring document;
    {
        WString name;
        if (FAILED(::SetDocName(job->document.c_str(), &name)))
            name.Assign(L"Document");
        SrwGuard guard(state_lock_);
        document_name_.Assign(name.c_str());
        document = name.c_str();
    }
    ComBstr docname(L"docname");
    ComVariant docValue(document.c_str());
    plugin->PutParamUI(docname, docValue);

    poster_.PostOnStartJob();
    job->SetFlags(kJobOpened);
    if (ProcessingInterrupted())
        return;
    const bool rendered = render_all(*job, plugin.Get());
    if (ProcessingInterrupted())
        return;
    if (!rendered) {
        ReportError(IDS_STUCK_JOB, document.c_str());
        CancelJob();
        return;
    }
    if (!HasItems(*job)) {
        ReportError(IDS_EMPTY_JOB, document.c_str());
        CancelJob();
        return;
    }
    ComBstr redirect;
    GuardedCall([&] {
        CfgLockGuard guard(store_->Lock());
        const CfgValue value = store_->Core().Get(core_setting::kRedirectPrinter);
        redirect = ComBstr(value.text.c_str());
        return S_OK;
    });
    Redirect(redirect, nullptr);
    if (Autosave() != 0) {
        if (ProcessingInterrupted())
            return;
        LogInfo(L'C', L"CQLX::OpenJob SaveAllPages");
        SaveAllPages();
    }
    LogInfo(L'C', L"CQLX::OpenJobImpl ]");
}

// Rendering

template <class Ready> bool CQLX::WaitForCapture(const wchar_t* text, Ready&& ready) noexcept {
    const DWORD timeout = PrintTimeoutMs();
    while (!ready()) {
        if (ProcessingInterrupted())
            return true;
        LogInfo(L'C', text);
        const DWORD waited = WaitForSingleObject(page_event_.Get(), timeout);
        SetFlag(page_signal_pending_, 1);
        if (waited != WAIT_OBJECT_0)
            return ready() || ProcessingInterrupted();
    }
    return true;
}

void CQLX::RenderPage(unsigned index, const SpoolPage& page, IQLX_RPLUGIN* format, BSTR* text) {
    *text = nullptr;
    format->StartPage(static_cast<LONG>(index), page.width, page.height);
    for (unsigned i = 0; i < page.ItemCount(); ++i) {
        const TextItem* item = page.Item(i);
        // Copies for the call only: a long job keeps nothing but its records and its text.
        ComBstr itemText(item->text.get());
        ComBstr font(item->font.get());
        format->AddItem(item->x0, item->y0, item->x1, item->y1, itemText, font);
    }
    format->EndPage(text);
}

bool CQLX::render_all(SpoolJob& job, IQLX_RPLUGIN* format) noexcept {
    LogInfo(L'C', L"CQLX::render_all Begin:");
    if (!WaitForCapture(L"Waiting for job started",
                        [&] { return (job.Flags() & kJobEnded) != 0 || job.PageCount() > 0; }))
        return false;
    for (unsigned i = 0; i < job.PageCount(); ++i) {
        const SpoolPage* page = job.Page(i);
        if (!WaitForCapture(L"Waiting for page printed", [&] { return page->IsComplete(); }))
            return false;
        if (ProcessingInterrupted())
            break;
        LogInfoNum(L'C', L"CQLX::render_all ITEMS:", static_cast<long>(page->ItemCount()));
        ComBstr text(L"");
        if (page->ItemCount() > 0) {
            BSTR out = nullptr;
            if (FAILED(GuardedCall([&] {
                    RenderPage(i, *page, format, &out);
                    return S_OK;
                })))
                LogError(L'C', L"CQLX::render_all Page not rendered");
            // A plug-in that gives no text still leaves the page's place in the collection.
            text.Attach(out ? out : SysAllocString(L""));
        }
        LONG index = -1;
        const bool post = AddRenderedPage(text, &index);
        if (Flag(cancelling_))
            break;
        if (post)
            poster_.PostOnPageRendered(static_cast<long>(i));
    }
    if (!ProcessingInterrupted() && MarkJobRendered())
        poster_.PostOnAllPagesRendered();
    LogInfo(L'C', L"CQLX::render_all DONE");
    return true;
}

// Closing

void CQLX::WaitBeforeClosing() noexcept {
    if (ui_update_counter_.Count() > 0) {
        ui_update_counter_.Wait(L"CQLX::CloseJob Waiting For UI Update Semaphore");
    }
    if (redirect_counter_.Count() > 0)
        redirect_counter_.Wait(L"CQLX::CloseJob Waiting For Redirect Semaphore");
    if (!poster_.AsyncEvents())
        return;
    LogInfo(L'C', L"CQLX::CloseJob Waiting For UI caught all events");
    for (DWORD waited = 0; poster_.EventsPending(); waited += kEventDrainStepMs) {
        if (waited >= kEventDrainLimitMs) {
            LogWarn(L'C', L"CQLX::CloseJob Events still queued, closing all the same");
            break;
        }
        Sleep(kEventDrainStepMs);
    }
}

void CQLX::CloseJobIf(uint64_t serial) noexcept {
    LogInfo(L'C', L"CQLX::CloseJob [");
    WaitBeforeClosing();
    {
        // OnCancelJob goes out once render_lock is released: a listener may call back.
        EventPoster::Deferral deferral(poster_);
        CriticalSectionLock hold(render_lock_);
        RenderBusyFlag busy(render_busy_);
        // Only the job the caller meant: it may have been closed and the next one opened.
        if (serial != 0 && serial == processed_serial_)
            CloseJobLocked();
    }
    LogInfo(L'C', L"CQLX::CloseJob ]");
}

uint64_t CQLX::ProcessedSerial() noexcept {
    CriticalSectionLock hold(render_lock_);
    return processed_job_.load() ? processed_serial_ : 0;
}

void CQLX::CloseJobLocked() noexcept {
    SpoolJob* job = processed_job_.load();
    if (!job)
        return;
    if (Autosave() != 0 || Flag(failed_sends_) == 0)
        DropProcessedJobLocked(job);
    else
        KeepProcessedJobLocked(job);
    SetFlag(failed_sends_, 0);
}

void CQLX::DropProcessedJobLocked(SpoolJob* job) noexcept {
    ComPtr<IQLX_BSTR_Collection> pages;
    {
        SrwGuard guard(state_lock_);
        pages = rendered_pages_;
        document_name_.Clear();
    }
    if (pages)
        pages->RemoveAll();
    poster_.PostOnCancelJob();
    processed_job_.store(nullptr);
    // The processed job is the list's front job: jobs are opened only from the front, under
    // this lock, and leave only through here or CancelAllJobs (also under it).
    if (intake_->job_list().Front() == job)
        intake_->job_list().PopFront();
    else
        LogError(L'C', L"CQLX::CloseJob The processed job is not the front job");
    if (!Flag(page_signal_pending_)) {
        LogInfo(L'C', L"Lock j_sem");
        WaitForSingleObject(page_event_.Get(), 0);
        SetFlag(page_signal_pending_, 1);
    }
}

// A whole-job send that failed without Autosave: the job stays for another try, without the
// entries that the send added around its pages.
void CQLX::KeepProcessedJobLocked(SpoolJob* job) noexcept {
    ComPtr<IQLX_BSTR_Collection> pages;
    {
        SrwGuard guard(state_lock_);
        pages = rendered_pages_;
    }
    const uint32_t flags = job->Flags();
    if (pages) {
        if (flags & kJobSeparatorEntry)
            pages->Remove(0);
        if (flags & kJobHeaderEntry)
            pages->Remove(0);
        LONG count = 0;
        if ((flags & kJobFooterEntry) && SUCCEEDED(pages->get_Count(&count)) && count > 0)
            pages->Remove(count - 1);
    }
    job->ClearFlags(kJobSeparatorEntry | kJobHeaderEntry | kJobFooterEntry);
}

// Cancelling

STDMETHODIMP CQLX::CancelJob() {
    LogInfo(L'C', L"CKW::CancelJob");
    // Tested and set in one step: two cancels at once start one.
    if (!TestAndSetCancelling())
        return S_OK;
    if (FAILED(PostStartImpl())) {
        SetFlag(cancelling_, 0);
        return E_FAIL;
    }
    cancel_serial_ = ProcessedSerial();
    cancel_counter_.Enter();
    if (!StartWorker(cancel_thread, cancel_counter_, L"CKW::CancelJob Thread creation failed"))
        SetFlag(cancelling_, 0);
    return S_OK;
}

DWORD WINAPI CQLX::cancel_thread(void* self) noexcept {
    auto* engine = static_cast<CQLX*>(self);
    HeldShare share(engine->cancel_counter_, HeldShare::kAdopt);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    engine->CancelJobImpl();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void CQLX::CancelJobImpl() noexcept {
    LogInfoNum(L'C', L"CQLX::CancelJobImpl [", ThreadId());
    long processed_id = 0;
    bool capturing = false;
    {
        CriticalSectionLock hold(render_lock_);
        const SpoolJob* job = processed_job_.load();
        long received_id = 0;
        if (job && (job->Flags() & kJobEnded) == 0 && intake_->ReceivedJobId(&received_id) &&
            received_id == job->job_id) {
            capturing = true;
            processed_id = job->job_id;
        }
    }
    if (capturing)
        AbortSpooler(processed_id);
    WakeJobThread();
    processing_counter_.Wait(L"CQLX::CancelJob Waiting For Processing Semaphore");
    send_counter_.Wait(L"CQLX::CancelJob Waiting For Transport Semaphore");
    // The job that was current when the cancel was asked for, not one opened since.
    CloseJobIf(cancel_serial_);
    SetFlag(cancelling_, 0);
    OpenJob();
    LogInfo(L'C', L"CQLX::CancelJobImpl ]");
}

STDMETHODIMP CQLX::CancelJobWait() {
    if (Flag(cancelling_))
        return S_OK;
    // A job or send thread (a synchronous listener's call) can't wait for itself to end.
    if (Flag(render_busy_) || OnWorkerThread()) {
        LogInfo(L'C', L"CQLX::CancelJobWait::returning CancelJob");
        return CancelJob();
    }
    if (!TestAndSetCancelling())
        return S_OK;
    if (FAILED(PostStartImpl())) {
        SetFlag(cancelling_, 0);
        return E_FAIL;
    }
    cancel_serial_ = ProcessedSerial();
    // Counted as any cancel, so that a Stop waits for it.
    HeldShare share(cancel_counter_, HeldShare::kEnter);
    CancelJobImpl();
    return S_OK;
}

STDMETHODIMP CQLX::CancelAllJobs() {
    LogInfo(L'C', L"CQLX::CancelAllJobs [");
    if (!TestAndSetCancelling())
        return S_OK;
    if (FAILED(PostStartImpl())) {
        SetFlag(cancelling_, 0);
        return E_FAIL;
    }
    if (OnWorkerThread()) {
        // The jobs can't be freed under this thread's own feet: a cancel thread does it.
        cancel_counter_.Enter();
        if (!StartWorker(cancel_all_thread, cancel_counter_,
                         L"CKW::CancelAllJobs Thread creation failed"))
            SetFlag(cancelling_, 0);
        return S_OK;
    }
    HeldShare share(cancel_counter_, HeldShare::kEnter);
    CancelAllJobsImpl();
    return S_OK;
}

DWORD WINAPI CQLX::cancel_all_thread(void* self) noexcept {
    auto* engine = static_cast<CQLX*>(self);
    HeldShare share(engine->cancel_counter_, HeldShare::kAdopt);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    engine->CancelAllJobsImpl();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void CQLX::CancelAllJobsImpl() noexcept {
    AbortSpoolerAll();
    // The job thread ends before any job is freed: it reads its job to the end.
    WakeJobThread();
    processing_counter_.Wait(L"CQLX::CancelJob Waiting For Processing Semaphore");
    if (send_counter_.Count() > 0)
        send_counter_.Wait(L"CQLX::CancelJob Waiting For Transport Semaphore");
    SetFlag(failed_sends_, 0);
    LogInfo(L'C', L"CQLX::CloseJob [");
    WaitBeforeClosing();
    {
        EventPoster::Deferral deferral(poster_);
        CriticalSectionLock hold(render_lock_);
        RenderBusyFlag busy(render_busy_);
        CloseJobLocked();
        // Under the same hold: no job can be opened between the close and the clearing.
        intake_->job_list().Clear();
    }
    LogInfo(L'C', L"CQLX::CloseJob ]");
    LogInfo(L'C', L"CKW::CancelAllJobs ]");
    SetFlag(cancelling_, 0);
    if (poster_.Listeners() == 0)
        PreStop();
}

// The spooler's side of a cancel

void CQLX::AbortSpooler(long job_id) noexcept {
    const std::wstring printer = CurrentPrinter();
    PrinterHandle handle;
    if (!handle.Open(printer.c_str()))
        return;
    LogInfo(L'C', L"CQLX::AbortSpooler Open Printer");
    SetJobW(handle.Get(), static_cast<DWORD>(job_id), 0, nullptr, JOB_CONTROL_DELETE);
    LogInfoNum(L'C', L"CQLX::AbortSpooler delete job", job_id);
    handle.Reset();
    LogInfo(L'C', L"CQLX::AbortSpooler end");
}

void CQLX::AbortSpoolerAll() noexcept {
    LogInfo(L'C', L"CQLX::AbortSpoolerAll [");
    const std::wstring printer = CurrentPrinter();
    PrinterHandle handle;
    if (handle.Open(printer.c_str())) {
        LogInfoStr(L'C', L"CQLX::AbortSpoolerAll Open Printer:", printer.c_str());
        GuardedCall([&] {
            DWORD needed = 0;
            GetPrinterW(handle.Get(), 2, nullptr, 0, &needed);
            std::vector<BYTE> info(needed ? needed : 1);
            if (!needed || !GetPrinterW(handle.Get(), 2, info.data(), needed, &needed)) {
                LogError(L'C', L"CKW::AbortSpoolerAll GetPrinter failed");
                return S_OK;
            }
            const DWORD jobs = reinterpret_cast<PRINTER_INFO_2W*>(info.data())->cJobs;
            if (jobs == 0)
                return S_OK;
            DWORD returned = 0;
            EnumJobsW(handle.Get(), 0, jobs, 1, nullptr, 0, &needed, &returned);
            std::vector<BYTE> list(needed ? needed : 1);
            if (!needed ||
                !EnumJobsW(handle.Get(), 0, jobs, 1, list.data(), needed, &needed, &returned)) {
                LogError(L'C', L"CKW::AbortSpoolerAll EnumJobs failed");
                return S_OK;
            }
            const auto* entries = reinterpret_cast<const JOB_INFO_1W*>(list.data());
            for (DWORD i = 0; i < returned; ++i) {
                SetJobW(handle.Get(), entries[i].JobId, 0, nullptr, JOB_CONTROL_DELETE);
                LogInfoNum(L'C', L"CKW::AbortSpoolerAll delete job",
                           static_cast<long>(entries[i].JobId));
            }
            return S_OK;
        });
    }
    LogInfo(L'C', L"CKW::AbortSpoolerAll ]");
}
