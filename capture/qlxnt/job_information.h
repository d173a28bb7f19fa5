#pragma once
#include <windows.h>

#include <string>

// The spooler's level-1 information on one job, read through the local print server.
struct JobInformation {
    std::wstring printer;  // empty when the job names none
    std::wstring datatype; // empty when the job names none
};

enum class JobInformationResult {
    kRead,
    kNoPrintServer, // the local print server could not be opened
    kNoJob,         // the job's information could not be read
};

// *error receives the system's error code on failure.
JobInformationResult ReadJobInformation(DWORD job_id, JobInformation* info, DWORD* error);
