#pragma once
#include <windows.h>

#include "wstring.h"

// What job intake needs from the rest of the engine. The engine implements it over its own
// members; every call comes from the thread of an incoming driver-side call, without any of
// the intake's locks held.
class IntakeHooks {
public:
    // Start-up and job processing.
    virtual HRESULT PostStart() = 0;
    // Starts processing the front pending job when none is being processed.
    virtual void OpenJob() = 0;
    // True when a job is being processed and its spooler job id is job_id.
    virtual bool IsProcessingJob(long job_id) = 0;
    // Wakes the job thread: clears the pending-signal byte and sets the page event.
    virtual void SignalPage() = 0;
    // Returns once the job thread has ended (the processing counter's wait).
    virtual void WaitProcessingEnd() = 0;
    // A copy: a restart may change the folder while a job ends.
    virtual HRESULT SpoolFolder(WString* folder) = 0;

    // Options and user-interface state.
    virtual long UILoadedCount() = 0;
    virtual long Autosave() = 0;
    virtual long WaitUILoaded() = 0;
    virtual long AsyncProcessing() = 0;
    // Starts the user interface; a failure means there is nothing to wait for.
    virtual HRESULT StartUI() = 0;

    // Printers.
    virtual HRESULT GetOwnPrinters(WStringArray* names) = 0;
    virtual HRESULT GetCurrentPrinter(WString* name) = 0;
    // Enumerates the printers again into new lists that replace the old ones, and sets the
    // default own printer. The current printer's name may change with it (the engine keeps
    // it); the intake puts it right afterwards.
    virtual HRESULT RenewPrinterLists() = 0;
    // Sets the current printer's name only; its configuration is not loaded.
    virtual void SetCurrentPrinterName(const wchar_t* name) = 0;
    virtual HRESULT GetDefaultOwnPrinter(WString* name) = 0;
    virtual void SetDefaultOwnPrinter(const wchar_t* name) = 0;
    // Makes the printer current and loads its configuration.
    virtual HRESULT SelectPrinter(const wchar_t* name) = 0;
    // Applies the stored redirect printer again; fails when that printer is gone.
    virtual HRESULT ApplyRedirectPrinter() = 0;
    virtual void SetSystemDefaultPrinter(const wchar_t* name) = 0;

    // Notifications.
    virtual void PostAddRemovePrinter(long change) = 0;
    // UpdateUI(reason) on every loaded transport plug-in.
    virtual void UpdateTransportsUI(long reason) = 0;

protected:
    ~IntakeHooks() = default;
};

// Values of PostAddRemovePrinter.
enum PrinterChange : long {
    kDefaultPrinterChanged = 0,
    kOtherPrintersChanged = 1,
    kOwnPrintersChanged = 2,
    kRedirectPrinterChanged = 3,
};

// Reasons of UpdateTransportsUI.
enum TransportUpdate : long {
    kUpdateDefaultPrinter = 1,
    kUpdatePrinters = 2,
};
