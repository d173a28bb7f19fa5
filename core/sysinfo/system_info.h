#pragma once
#include <windows.h>

#include "wstring.h"

// The facts about the machine that the core writes to its log at start, for support to read.
// Each Get* fills its own fields; Format turns them into one multi-line text.
class SystemInfo {
public:
    SystemInfo();

    void GetOSName();
    void GetProcessorCount();
    void GetCPU();
    void GetMemory();
    void IsAdmin();
    void GetUser();

    WString Format() const;

    WString user;
    DWORD admin = 0;

    WString cpu_name;
    WString cpu_identifier;
    WString cpu_vendor;
    DWORD cpu_mhz = 0;
    DWORD cpu_count = 0;

    bool nt_family = true;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    DWORD service_pack = 0; // 0 to 9
    WString os_name;
    bool wow64 = false;

    DWORD memory_load = 0; // percent
    ULONGLONG total_physical = 0;
    ULONGLONG available_physical = 0;
    ULONGLONG total_page_file = 0;
    ULONGLONG available_page_file = 0;
    ULONGLONG total_virtual = 0;
    ULONGLONG available_virtual = 0;
};

// When the process has a log configuration: gathers the facts, and at information level writes
// them as one line with the letter C.
void LogSystemInformation() noexcept;
