#pragma once
#include <windows.h>

#include "critical_section.h"
#include "intake_hooks.h"
#include "job_list.h"

// The logic of the driver-facing methods: takes captured jobs, pages and text runs into the
// pending-job list, gives finished jobs' spool files their unique names, and follows printer
// changes. The engine forwards its IQLX_INT methods here.
//
// The job being received is the last job pushed until its end. When the list drops it early
// (a cancel during capture), the intake forgets it, and later calls for it are logged and
// ignored with S_OK. Calls that arrive without a job (or, for int_Add, before any page) are
// handled the same way.
//
// Lock order: render lock, JobList lock, intake lock. The intake never calls a hook or the
// JobList while it holds its own lock.
class JobIntake final : private JobDropListener {
public:
    explicit JobIntake(IntakeHooks& hooks);
    ~JobIntake();
    JobIntake(const JobIntake&) = delete;
    JobIntake& operator=(const JobIntake&) = delete;

    HRESULT int_StartJob(const wchar_t* printer_name, const wchar_t* format, long job_id, long dpi,
                         const wchar_t* document_name) noexcept;
    HRESULT int_StartPage(long x, long y) noexcept;
    HRESULT int_Add(long x0, long y0, long x1, long y1, const wchar_t* text,
                    const wchar_t* fnt) noexcept;
    HRESULT int_EndJob() noexcept;
    HRESULT int_AddRemovePrinter() noexcept;
    HRESULT int_DefaultPrinterChanged(const wchar_t* new_printer) noexcept;

    JobList& job_list() { return job_list_; }
    bool IsReceiving() const noexcept;
    // False when no job is being received.
    bool ReceivedJobId(long* job_id) const noexcept;

private:
    void OnJobDropped(SpoolJob* job) noexcept override;

    void WaitForUI();
    HRESULT StartJob(const wchar_t* printer_name, const wchar_t* format, long job_id, long dpi,
                     const wchar_t* document_name);
    HRESULT StartPage(long x, long y);
    HRESULT Add(long x0, long y0, long x1, long y1, const wchar_t* text, const wchar_t* fnt);
    HRESULT EndJob();
    HRESULT AddRemovePrinter();
    HRESULT DefaultPrinterChanged(const wchar_t* new_printer);
    void FollowOwnPrinterChange(const WStringArray& own, const WString& previous_current);

    IntakeHooks& hooks_;
    mutable CriticalSection lock_;
    SpoolJob* received_job_ = nullptr; // guarded by lock_
    JobList job_list_;
};
