#pragma once
#include <windows.h>

#include <string>

// Runs other programs from tests.

std::wstring Quoted(const std::wstring& text);

// Runs a command line to its end and returns its exit code; -1 when it can't start or runs
// past the time-out (it is ended then). With output given, its standard output is collected
// there; otherwise it writes where the test writes.
int RunProgram(const std::wstring& command_line, std::string* output = nullptr,
               DWORD timeout_ms = 60000);

// CreateProcessW, tried again a few times when it fails; the last failure is written to stderr.
bool StartProcess(wchar_t* line, bool inherit, STARTUPINFOW* startup, PROCESS_INFORMATION* info);
