#pragma once
#include <windows.h>

// Stands in for the spooler's job information, which Wine gives only for jobs of its own:
// the driver host names its jobs here, and a module's OpenPrinterW on the local print
// server and its GetJobW then answer from them. Everything else goes to the system's spooler.

enum SpoolerJobFault : DWORD {
    kFaultPrintServer = 0x01, // the local print server cannot be opened, once for each job
    kFaultJobInfo = 0x02,     // the job's information cannot be read
    kFaultNullStrings = 0x04, // the job names no printer and no data type
};

struct HostJob {
    DWORD id;
    const wchar_t* printer;
    const wchar_t* datatype;
    const wchar_t* document;
    DWORD faults;
};

#ifdef SPOOLER_JOBS_BUILD
#define SPOOLER_JOBS_API __declspec(dllexport)
#else
#define SPOOLER_JOBS_API __declspec(dllimport)
#endif

// Adds the job or replaces the one with its id; false when out of memory.
extern "C" SPOOLER_JOBS_API BOOL WINAPI SpoolerJobs_Set(const HostJob* job);
extern "C" SPOOLER_JOBS_API void WINAPI SpoolerJobs_Clear();
