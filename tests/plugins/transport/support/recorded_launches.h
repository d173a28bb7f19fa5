#pragma once
#include <string>
#include <vector>

// What the stand-in post-processor (argv_recorder.exe) wrote about each of its starts into the
// file named by QLX_ARGV_RECORD: its working folder, the show command and its arguments.
struct RecordedLaunch {
    std::wstring folder;
    int show = -2; // -1: started without a show command
    std::vector<std::wstring> args;
};

// The starts recorded in that file, in order; none when it is missing.
std::vector<RecordedLaunch> ReadLaunches(const std::wstring& record);

// Points the stand-in's record at this file for the programs this process starts, with no
// delay before it records.
bool RecordLaunchesInto(const std::wstring& record);
