#pragma once
#include <windows.h>

#include <string>

// The engine's options from the product key, read at each Init: the identity counter and
// autosave per user, the rest machine-wide (as the administration program sets them).
struct CoreOptions {
    DWORD identity = 1;
    DWORD autosave = 0;
    // The values as read, so that only a change is written back to the per-user key.
    DWORD identity_as_read = 1;
    DWORD autosave_as_read = 0;

    DWORD wait_ui_loaded = 0;
    DWORD async_events = 0;
    DWORD async_processing = 1;
    DWORD print_timeout = 30; // seconds

    // The installation folder, ending in a backslash; spool files lie in its "temp\" and
    // byte-array settings in its "data\".
    std::wstring driver_path = L"c:\\";
    std::wstring spool_folder = L"c:\\temp\\";
    std::wstring data_folder = L"c:\\data\\";
};

// Per-user Autosave 2 (or missing) means "as the machine-wide Autosave says".
constexpr DWORD kAutosaveMachineWide = 2;

CoreOptions ReadCoreOptions();

// Writes the identity counter to the per-user key when it changed since it was read (the
// engine's stop); true when nothing needed writing or the write succeeded.
bool SaveChangedIdentity(CoreOptions& options);
