#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The spooler's side of one job: its pages as EMF, the spool file it leaves for the core
// ("%05d.spl" in the folder "temp\" under DriverPath, in the EMF spool format) and the job
// information a module reads back.
struct SpooledPage {
    std::vector<BYTE> emf;
    LONG width = 0; // device pixels at the job's resolution
    LONG height = 0;
};

// Reads an EMF file as a page of a device at dpi; false with a message in *error.
bool LoadPage(const std::wstring& path, LONG dpi, SpooledPage* page, std::wstring* error);

// DriverPath from the product key (c:\ when missing), ending in a backslash.
std::wstring DriverPath();

// Writes the job's spool file; false with a message in *error.
bool WriteSpoolFile(DWORD job_id, const std::wstring& document,
                    const std::vector<SpooledPage>& pages, std::wstring* error);
