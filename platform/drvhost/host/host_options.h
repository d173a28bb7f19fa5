#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "page_player.h"

// What the driver host is told to play: the module, the job as the spooler describes it,
// the device, the pages, and the faults to inject.
struct HostOptions {
    std::wstring module;
    std::wstring printer = L"Quorvane Lettrix";
    DWORD job_id = 1;
    std::wstring document = L"Document";
    bool null_document = false;
    std::wstring datatype = L"NT EMF 1.008";
    LONG dpi = 300;
    PlayerOptions player;
    DWORD job_faults = 0; // spooler faults
    bool abort = false;
    bool second_start = false;
    bool devmode_without_resolution = false;
    unsigned reset_after_page = 0; // 0: the device is never reset
    // Documents played one after the other on the job's device, with consecutive job ids.
    unsigned repeat = 1;
    DWORD second_job = 0; // 0: one device only
    std::wstring second_printer;
    // Starts each job's relay as the driver UI module does, when given.
    std::wstring relay;
    // Loads this driver UI module in the host's process, which then plays the printing
    // program's part: the module is sent each job's document events and starts its relay.
    std::wstring ui_module;
    std::vector<std::wstring> pages;
};

// False with a message in *error for a command line it does not understand.
bool ParseHostOptions(int argc, wchar_t** argv, HostOptions* options, std::wstring* error);

extern const wchar_t kHostUsage[];
