#include "cqlx.h"

#include "com_bstr.h"
#include "com_result.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "spool_job.h"
#include "ui_loader.h"

// The driver-facing methods are the intake's; the engine supplies its state through the hooks.
STDMETHODIMP CQLX::int_StartJob(BSTR printer_name, BSTR Format, LONG job_id, LONG DPI,
                                BSTR document_name) {
    return intake_->int_StartJob(printer_name, Format, job_id, DPI, document_name);
}
STDMETHODIMP CQLX::int_StartPage(LONG x, LONG y) {
    return intake_->int_StartPage(x, y);
}
STDMETHODIMP CQLX::int_Add(LONG x0, LONG y0, LONG x1, LONG y1, BSTR text, BSTR fnt) {
    return intake_->int_Add(x0, y0, x1, y1, text, fnt);
}
STDMETHODIMP CQLX::int_EndJob() {
    return intake_->int_EndJob();
}
STDMETHODIMP CQLX::int_AddRemovePrinter() {
    return intake_->int_AddRemovePrinter();
}
STDMETHODIMP CQLX::int_DefaultPrinterChanged(BSTR new_printer) {
    return intake_->int_DefaultPrinterChanged(new_printer);
}

bool CQLX::IsProcessingJob(long job_id) {
    // Read under render_lock: the job may be closing right now.
    CriticalSectionLock hold(render_lock_);
    const SpoolJob* job = processed_job_.load();
    return job && job->job_id == job_id;
}

void CQLX::SignalPage() {
    SetFlag(page_signal_pending_, 0);
    SetEvent(page_event_.Get());
}

void CQLX::WaitProcessingEnd() {
    processing_counter_.Wait(L"Waiting for end of processing");
}

HRESULT CQLX::SpoolFolder(WString* folder) {
    SrwGuard guard(state_lock_);
    return folder->Assign(spool_folder_.c_str()) ? S_OK : E_OUTOFMEMORY;
}

long CQLX::Autosave() {
    SrwGuard guard(state_lock_);
    return static_cast<long>(options_.autosave);
}
long CQLX::WaitUILoaded() {
    SrwGuard guard(state_lock_);
    return static_cast<long>(options_.wait_ui_loaded);
}
long CQLX::AsyncProcessing() {
    SrwGuard guard(state_lock_);
    return static_cast<long>(options_.async_processing);
}

HRESULT CQLX::StartUI() {
    return ui_loader();
}

HRESULT CQLX::GetOwnPrinters(WStringArray* names) {
    names->Free();
    ComPtr<IQLX_BSTR_Collection> own;
    {
        SrwGuard guard(state_lock_);
        own = own_printers_;
    }
    if (!own)
        return S_OK;
    LONG count = 0;
    RETURN_IF_FAILED(own->get_Count(&count));
    for (LONG i = 0; i < count; ++i) {
        ComBstr name;
        if (SUCCEEDED(own->GetItem(i, &name)) && !names->Append(name.c_str()))
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CQLX::GetCurrentPrinter(WString* name) {
    SrwGuard guard(state_lock_);
    return name->Assign(printer_.c_str()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CQLX::RenewPrinterLists() {
    // The current printer stays as it is until the intake selects another one, so that its
    // name always goes with the configuration loaded.
    std::wstring chosen;
    return InitPrinters(std::wstring(), &chosen);
}

void CQLX::SetCurrentPrinterName(const wchar_t* name) {
    SrwGuard guard(state_lock_);
    printer_.Assign(name ? name : L"");
}

HRESULT CQLX::GetDefaultOwnPrinter(WString* name) {
    SrwGuard guard(state_lock_);
    return name->Assign(default_own_printer_.c_str()) ? S_OK : E_OUTOFMEMORY;
}

void CQLX::SetDefaultOwnPrinter(const wchar_t* name) {
    SrwGuard guard(state_lock_);
    default_own_printer_.Assign(name ? name : L"");
}

HRESULT CQLX::SelectPrinter(const wchar_t* name) {
    return put_PrinterImpl(name);
}

// The redirect printer belongs to the redirect work: nothing to check yet.
HRESULT CQLX::ApplyRedirectPrinter() {
    return S_OK;
}

void CQLX::SetSystemDefaultPrinter(const wchar_t* name) {
    SrwGuard guard(state_lock_);
    system_default_printer_.Assign(name ? name : L"");
}

void CQLX::PostAddRemovePrinter(long change) {
    poster_.PostOnAddRemovePrinter(change);
}
