#include "fake_engine.h"

HRESULT FakeEngine::PostStart() {
    ++post_start_calls;
    return post_start_result;
}

void FakeEngine::OpenJob() {
    ++open_job_calls;
}

bool FakeEngine::IsProcessingJob(long job_id) {
    return job_id == processing_job_id;
}

void FakeEngine::SignalPage() {
    ++page_signals;
}

void FakeEngine::WaitProcessingEnd() {
    ++processing_waits;
}

HRESULT FakeEngine::SpoolFolder(WString* folder) {
    return folder->Assign(spool_folder.c_str()) ? S_OK : E_OUTOFMEMORY;
}

long FakeEngine::UILoadedCount() {
    ++ui_checks;
    if (checks_until_connected_ > 0 && --checks_until_connected_ == 0)
        ui_loaded = 1;
    return ui_loaded;
}

long FakeEngine::Autosave() {
    return autosave;
}

long FakeEngine::WaitUILoaded() {
    return wait_ui_loaded;
}

long FakeEngine::AsyncProcessing() {
    return async_processing;
}

HRESULT FakeEngine::StartUI() {
    ++start_ui_calls;
    if (SUCCEEDED(start_ui_result))
        checks_until_connected_ = ui_connects_at_check;
    return start_ui_result;
}

HRESULT FakeEngine::GetOwnPrinters(WStringArray* names) {
    calls.push_back(L"GetOwnPrinters");
    names->Free();
    for (const std::wstring& name : own_printers) {
        if (!names->Append(name.c_str()))
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT FakeEngine::GetCurrentPrinter(WString* name) {
    calls.push_back(L"GetCurrentPrinter");
    return name->Assign(current_printer.c_str()) ? S_OK : E_OUTOFMEMORY;
}

HRESULT FakeEngine::RenewPrinterLists() {
    calls.push_back(L"RenewPrinterLists");
    ++renewals;
    own_printers = own_printers_after_renewal;
    current_printer = current_after_renewal;
    default_own_printer = default_after_renewal;
    return own_printers.empty() ? E_FAIL : S_OK;
}

void FakeEngine::SetCurrentPrinterName(const wchar_t* name) {
    calls.push_back(L"SetCurrentPrinterName");
    current_printer = name;
}

HRESULT FakeEngine::GetDefaultOwnPrinter(WString* name) {
    return name->Assign(default_own_printer.c_str()) ? S_OK : E_OUTOFMEMORY;
}

void FakeEngine::SetDefaultOwnPrinter(const wchar_t* name) {
    default_own_printer = name;
}

HRESULT FakeEngine::SelectPrinter(const wchar_t* name) {
    calls.push_back(L"SelectPrinter");
    selected_printers.push_back(name);
    current_printer = name;
    return S_OK;
}

HRESULT FakeEngine::ApplyRedirectPrinter() {
    calls.push_back(L"ApplyRedirectPrinter");
    ++redirect_applications;
    return redirect_result;
}

void FakeEngine::SetSystemDefaultPrinter(const wchar_t* name) {
    calls.push_back(L"SetSystemDefaultPrinter");
    system_default_printer = name;
}

void FakeEngine::PostAddRemovePrinter(long change) {
    calls.push_back(L"PostAddRemovePrinter");
    posted_changes.push_back(change);
}

void FakeEngine::UpdateTransportsUI(long reason) {
    calls.push_back(L"UpdateTransportsUI");
    transport_updates.push_back(reason);
}
