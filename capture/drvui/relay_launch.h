#pragma once
#include <windows.h>

#include <string>

// How the relay is started for a job: the program "<folder><prefix>stub.exe" in the product's
// folder, with the job id as its only argument.
struct RelayCommand {
    std::wstring program;      // the program's full path
    std::wstring command_line; // "\"<program>\" <job id>"
};

// False for a folder that can't be quoted on a command line (it holds a double quote).
// A folder without its closing backslash gets one.
bool BuildRelayCommand(const std::wstring& folder, const std::wstring& prefix, long job_id,
                       RelayCommand* command);

enum class RelayWait {
    kSignalled, // the relay set the job's event
    kEnded,     // the relay ended before it set the event
    kTimedOut,  // neither within the time limit
    kFailed,    // the wait itself failed
    kNotWaited, // there was no event to wait for
};

// The whole start of the relay for one job: starts it and waits up to wait_ms for it to set the
// job's event (or to end). Without an event (null) the relay is started without a wait.
// False with the system error in *error when the program can't be started.
bool StartRelay(const RelayCommand& command, HANDLE job_event, DWORD wait_ms, RelayWait* outcome,
                DWORD* error);
