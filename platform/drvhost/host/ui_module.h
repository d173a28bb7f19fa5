#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "oem_ui.h"

// The driver UI module as the printing program's process has it: loaded once, asked which
// document events it wants, then told of each document as GDI tells it: the device context
// about to be created, then the job the spooler made for the document. What the module does
// with them (start the job's relay) it does in this process, as it would in the application.
class UiModule {
public:
    // Null with a message in *error when the module or its plug-in object can't be had.
    static std::unique_ptr<UiModule> Load(const std::wstring& path, std::wstring* error);
    ~UiModule();
    UiModule(const UiModule&) = delete;
    UiModule& operator=(const UiModule&) = delete;

    // One document on the printer: the printer handle stands for the one GDI opened for the
    // device context, the same for both events.
    void StartDocument(HANDLE printer, const std::wstring& printer_name, DWORD job_id);
    // Waits until every relay the module started has ended (its job's event, which the relay
    // holds while it runs, is gone). The jobs whose relay did not end in time.
    std::vector<DWORD> WaitForRelays(DWORD timeout_ms);

private:
    UiModule() = default;
    bool Wants(DWORD event) const;
    void Send(HANDLE printer, DWORD event, ULONG in_bytes, void* in);

    HMODULE module_ = nullptr;
    IPrintOemUI2* plugin_ = nullptr;
    std::vector<DWORD> filter_;
    std::vector<DWORD> relayed_jobs_;
};
