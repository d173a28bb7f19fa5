#include "job_intake.h"

#include <memory>
#include <new>

#include "com_result.h"
#include "log.h"
#include "qlx_storage.h"

namespace {

constexpr int kUIWaitTries = 600;
constexpr DWORD kUIWaitStepMs = 100;

long ThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

bool Contains(const WStringArray& names, const wchar_t* name) {
    for (unsigned i = 0; i < names.Count(); ++i) {
        if (WStringEquals(names[i].c_str(), name))
            return true;
    }
    return false;
}

bool ContainsAll(const WStringArray& names, const WStringArray& wanted) {
    for (unsigned i = 0; i < wanted.Count(); ++i) {
        if (!Contains(names, wanted[i].c_str()))
            return false;
    }
    return true;
}

} // namespace

JobIntake::JobIntake(IntakeHooks& hooks) : hooks_(hooks) {
    job_list_.SetDropListener(this);
}

JobIntake::~JobIntake() {
    job_list_.SetDropListener(nullptr);
    job_list_.Clear();
}

bool JobIntake::IsReceiving() const noexcept {
    CriticalSectionLock hold(lock_);
    return received_job_ != nullptr;
}

bool JobIntake::ReceivedJobId(long* job_id) const noexcept {
    CriticalSectionLock hold(lock_);
    if (!received_job_)
        return false;
    *job_id = received_job_->job_id;
    return true;
}

void JobIntake::OnJobDropped(SpoolJob* job) noexcept {
    CriticalSectionLock hold(lock_);
    if (received_job_ == job) {
        received_job_ = nullptr;
        LogInfoNum(L'S', L"Job dropped while being received:", job->job_id);
    }
}

HRESULT JobIntake::int_StartJob(const wchar_t* printer_name, const wchar_t* format, long job_id,
                                long dpi, const wchar_t* document_name) noexcept {
    LogInfoNum(L'C', L"CQLX::int_StartJob", ThreadId());
    HRESULT hr =
        GuardedCall([&] { return StartJob(printer_name, format, job_id, dpi, document_name); });
    LogInfo(L'C', L"CQLX::int_StartJob End");
    return hr;
}

void JobIntake::WaitForUI() {
    if (hooks_.UILoadedCount() != 0 || hooks_.Autosave() != 0)
        return;
    if (FAILED(hooks_.StartUI()) || hooks_.WaitUILoaded() == 0)
        return;
    LogInfo(L'C', L"Waiting for UI");
    for (int i = 0; i < kUIWaitTries; ++i) {
        Sleep(kUIWaitStepMs);
        if (hooks_.UILoadedCount() != 0)
            return;
    }
}

HRESULT JobIntake::StartJob(const wchar_t* printer_name, const wchar_t* format, long job_id,
                            long dpi, const wchar_t* document_name) {
    WaitForUI();
    if (FAILED(hooks_.PostStart()))
        return E_FAIL;
    std::unique_ptr<SpoolJob> job(new (std::nothrow) SpoolJob);
    if (!job)
        return E_OUTOFMEMORY;
    RETURN_IF_FAILED(job->Init(printer_name, format, job_id, dpi, document_name));
    job->SetFlags(kJobStarted);
    // Received before it is listed: a drop can only clear the pointer once the job is in the
    // list, and then it does.
    {
        CriticalSectionLock hold(lock_);
        received_job_ = job.get();
    }
    job_list_.Push(job.release());
    hooks_.OpenJob();
    return S_OK;
}

HRESULT JobIntake::int_StartPage(long x, long y) noexcept {
    LogInfo(L'C', L"CQLX::int_StartPage");
    HRESULT hr = GuardedCall([&] { return StartPage(x, y); });
    LogInfo(L'C', L"CQLX::int_StartPage End");
    return hr;
}

HRESULT JobIntake::StartPage(long x, long y) {
    if (FAILED(hooks_.PostStart()))
        return E_FAIL;
    long job_id;
    {
        CriticalSectionLock hold(lock_);
        if (!received_job_) {
            LogWarn(L'C', L"CQLX::int_StartPage No job being received, page ignored");
            return S_OK;
        }
        SpoolPage* previous = received_job_->CurrentPage();
        RETURN_IF_FAILED(QLX_Storage::Create(received_job_, x, y));
        if (previous)
            previous->MarkComplete();
        job_id = received_job_->job_id;
    }
    if (hooks_.IsProcessingJob(job_id)) {
        LogInfo(L'C', L"CQLX::unlock rendering");
        hooks_.SignalPage();
    }
    return S_OK;
}

HRESULT JobIntake::int_Add(long x0, long y0, long x1, long y1, const wchar_t* text,
                           const wchar_t* fnt) noexcept {
    return GuardedCall([&] { return Add(x0, y0, x1, y1, text, fnt); });
}

HRESULT JobIntake::Add(long x0, long y0, long x1, long y1, const wchar_t* text,
                       const wchar_t* fnt) {
    std::unique_ptr<TextItem> item = TextItem::Create(x0, y0, x1, y1, text, fnt);
    if (!item)
        return E_OUTOFMEMORY;
    CriticalSectionLock hold(lock_);
    if (!received_job_) {
        LogWarn(L'C', L"CQLX::int_Add No job being received, item ignored");
        return S_OK;
    }
    SpoolPage* page = received_job_->CurrentPage();
    if (!page) {
        LogWarn(L'C', L"CQLX::int_Add No page started, item ignored");
        return S_OK;
    }
    return page->AddItem(std::move(item)) ? S_OK : E_OUTOFMEMORY;
}

HRESULT JobIntake::int_EndJob() noexcept {
    LogInfoNum(L'C', L"CQLX::int_EndJob", ThreadId());
    HRESULT hr = GuardedCall([&] { return EndJob(); });
    LogInfo(L'C', L"CQLX::int_EndJob End");
    return hr;
}

HRESULT JobIntake::EndJob() {
    if (FAILED(hooks_.PostStart()))
        return E_FAIL;
    WString spool_folder;
    RETURN_IF_FAILED(hooks_.SpoolFolder(&spool_folder));
    long job_id;
    {
        CriticalSectionLock hold(lock_);
        if (!received_job_) {
            LogWarn(L'C', L"CQLX::int_EndJob No job being received, end ignored");
            return S_OK;
        }
        RETURN_IF_FAILED(QLX_Storage::LockFiles(spool_folder.c_str(), received_job_));
        received_job_->SetFlags(kJobEnded);
        if (SpoolPage* page = received_job_->CurrentPage())
            page->MarkComplete();
        job_id = received_job_->job_id;
        // Forgotten before the job thread is woken: once ended, the job may be closed and
        // freed at any moment.
        received_job_ = nullptr;
    }
    if (hooks_.IsProcessingJob(job_id)) {
        LogInfo(L'C', L"CQLX::unlock rendering");
        hooks_.SignalPage();
        if (hooks_.AsyncProcessing() == 0)
            hooks_.WaitProcessingEnd();
    }
    return S_OK;
}

HRESULT JobIntake::int_AddRemovePrinter() noexcept {
    LogInfo(L'C', L"CQLX::int_AddRemovePrinter");
    HRESULT hr = GuardedCall([&] { return AddRemovePrinter(); });
    LogInfo(L'C', L"CQLX::int_AddRemovePrinter End");
    return hr;
}

HRESULT JobIntake::AddRemovePrinter() {
    if (IsReceiving())
        return S_OK;
    WStringArray old_own;
    WString old_current;
    RETURN_IF_FAILED(hooks_.GetOwnPrinters(&old_own));
    RETURN_IF_FAILED(hooks_.GetCurrentPrinter(&old_current));
    // A failed enumeration leaves empty lists, which the comparison below handles.
    hooks_.RenewPrinterLists();
    WStringArray new_own;
    RETURN_IF_FAILED(hooks_.GetOwnPrinters(&new_own));

    if (ContainsAll(new_own, old_own) && ContainsAll(old_own, new_own)) {
        LogInfo(L'C', L"CQLX::int_AddRemovePrinter OTHER printers changed");
        // The own printers are the same: the current one stays, whose configuration is
        // loaded, whatever the enumeration chose as the default.
        hooks_.SetCurrentPrinterName(old_current.c_str());
        if (FAILED(hooks_.ApplyRedirectPrinter())) {
            LogInfo(L'C', L"CQLX::int_AddRemovePrinter Redirect printer changed");
            hooks_.PostAddRemovePrinter(kRedirectPrinterChanged);
        } else {
            hooks_.PostAddRemovePrinter(kOtherPrintersChanged);
        }
    } else {
        LogInfo(L'C', L"CQLX::int_AddRemovePrinter QLX printers changed");
        hooks_.ApplyRedirectPrinter();
        hooks_.PostAddRemovePrinter(kOwnPrintersChanged);
        FollowOwnPrinterChange(new_own, old_current);
    }
    hooks_.UpdateTransportsUI(kUpdatePrinters);
    return S_OK;
}

void JobIntake::FollowOwnPrinterChange(const WStringArray& own, const WString& previous_current) {
    // Until another printer is selected the current one stays, so that its name always goes
    // with the configuration loaded.
    hooks_.SetCurrentPrinterName(previous_current.c_str());
    if (!previous_current.Empty() && Contains(own, previous_current.c_str()))
        return;
    WString chosen;
    if (FAILED(hooks_.GetDefaultOwnPrinter(&chosen)))
        chosen.Clear();
    if (!Contains(own, chosen.c_str())) {
        // With no own printer left there is nothing to select; a stale default must not be.
        if (own.Count() == 0) {
            LogError(L'C', L"CQLX::int_AddRemovePrinter No own printer left");
            hooks_.SetCurrentPrinterName(L"");
            hooks_.SetDefaultOwnPrinter(L"");
            return;
        }
        if (!chosen.Assign(own[0].c_str()))
            return;
        hooks_.SetDefaultOwnPrinter(chosen.c_str());
    }
    hooks_.SelectPrinter(chosen.c_str());
}

HRESULT JobIntake::int_DefaultPrinterChanged(const wchar_t* new_printer) noexcept {
    LogInfo(L'C', L"CQLX::int_DefaultPrinterChanged");
    HRESULT hr = GuardedCall([&] { return DefaultPrinterChanged(new_printer); });
    LogInfo(L'C', L"CQLX::int_DefaultPrinterChanged End");
    return hr;
}

HRESULT JobIntake::DefaultPrinterChanged(const wchar_t* new_printer) {
    if (IsReceiving())
        return S_OK;
    hooks_.SetSystemDefaultPrinter(new_printer ? new_printer : L"");
    hooks_.PostAddRemovePrinter(kDefaultPrinterChanged);
    hooks_.UpdateTransportsUI(kUpdateDefaultPrinter);
    return S_OK;
}
