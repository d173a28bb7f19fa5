#pragma once
#include <windows.h>

#include <string>

#include "handle.h"
#include "machine_string.h"
#include "oem_ui.h"
#include "temp_dir.h"

// What the tests play of the printer driver and the printing application: the module loaded
// as the driver loads it, its plug-in object, and the product's folder it starts relays from.

// The module, loaded for the test's life; null members when it could not be loaded.
class LoadedModule {
public:
    LoadedModule();
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    HMODULE Get() const { return module_; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT CanUnloadNow() const;
    // A new plug-in object through the class factory, as Unidrv makes it; null on failure.
    IPrintOemUI2* CreatePlugin() const;

private:
    HMODULE module_ = nullptr;
};

// DriverPath of the product key for as long as the holder lives.
class DriverPathValue {
public:
    explicit DriverPathValue(const std::wstring& folder) : value_(L"DriverPath", folder) {}

private:
    MachineString value_;
};

// A folder with the stand-in relay installed as "qlxstub.exe", and what the stand-in wrote:
// one line with its command line for each start.
class FakeRelayFolder {
public:
    // mode: "signal", "exit" or "hang" (see fake_relay.cpp). name: the folder's own name
    // inside a fresh temporary folder.
    FakeRelayFolder(const wchar_t* mode, const std::wstring& name = L"drv folder");
    ~FakeRelayFolder();
    FakeRelayFolder(const FakeRelayFolder&) = delete;
    FakeRelayFolder& operator=(const FakeRelayFolder&) = delete;

    bool Installed() const { return installed_; }
    // The folder without its closing backslash.
    const std::wstring& Folder() const { return folder_; }
    std::wstring StartLines() const;

private:
    TempDir temp_;
    std::wstring folder_;
    std::wstring log_;
    bool installed_ = false;
};

// The application's calls around one document, as GDI makes them.
HRESULT CreateDcPre(IPrintOemUI2* plugin, HANDLE printer, const wchar_t* device,
                    INT escape = DOCUMENTEVENT_CREATEDCPRE);
HRESULT StartDocPost(IPrintOemUI2* plugin, HANDLE printer, LONG job_id,
                     INT escape = DOCUMENTEVENT_STARTDOCPOST);

// Whether the job's event exists now, and whether it is set.
bool JobEventExists(long job_id, bool* is_set = nullptr);
// Waits until the job's event is gone (its last holder, the relay, ended); false after
// timeout_ms.
bool WaitForJobEventGone(long job_id, DWORD timeout_ms);
