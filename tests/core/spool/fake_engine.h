#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "intake_hooks.h"

// Plays the engine around a JobIntake: options and printer state to set, and a record of what
// the intake asked for.
class FakeEngine : public IntakeHooks {
public:
    // Set by the test.
    HRESULT post_start_result = S_OK;
    HRESULT start_ui_result = S_OK;
    long ui_loaded = 1;
    long autosave = 0;
    long wait_ui_loaded = 0;
    long async_processing = 1;
    // After a successful StartUI, the interface counts as connected at this check of
    // UILoadedCount (0: never).
    int ui_connects_at_check = 1;
    long processing_job_id = -1; // -1: no job being processed
    std::wstring spool_folder = L"c:\\nowhere\\";

    std::vector<std::wstring> own_printers;
    std::vector<std::wstring> own_printers_after_renewal;
    std::wstring current_printer;
    std::wstring current_after_renewal;
    std::wstring default_own_printer;
    std::wstring default_after_renewal;
    HRESULT redirect_result = S_OK;

    // Recorded.
    int post_start_calls = 0;
    int start_ui_calls = 0;
    int ui_checks = 0;
    int open_job_calls = 0;
    int page_signals = 0;
    int processing_waits = 0;
    int renewals = 0;
    int redirect_applications = 0;
    std::vector<std::wstring> selected_printers;
    std::vector<long> posted_changes;
    std::vector<long> transport_updates;
    std::wstring system_default_printer = L"(never set)";
    std::vector<std::wstring> calls; // every hook by name, in order

private:
    int checks_until_connected_ = 0;

public:
    HRESULT PostStart() override;
    void OpenJob() override;
    bool IsProcessingJob(long job_id) override;
    void SignalPage() override;
    void WaitProcessingEnd() override;
    HRESULT SpoolFolder(WString* folder) override;
    long UILoadedCount() override;
    long Autosave() override;
    long WaitUILoaded() override;
    long AsyncProcessing() override;
    HRESULT StartUI() override;
    HRESULT GetOwnPrinters(WStringArray* names) override;
    HRESULT GetCurrentPrinter(WString* name) override;
    HRESULT RenewPrinterLists() override;
    void SetCurrentPrinterName(const wchar_t* name) override;
    HRESULT GetDefaultOwnPrinter(WString* name) override;
    void SetDefaultOwnPrinter(const wchar_t* name) override;
    HRESULT SelectPrinter(const wchar_t* name) override;
    HRESULT ApplyRedirectPrinter() override;
    void SetSystemDefaultPrinter(const wchar_t* name) override;
    void PostAddRemovePrinter(long change) override;
    void UpdateTransportsUI(long reason) override;
};
