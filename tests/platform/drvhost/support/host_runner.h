#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Runs the printing program and the driver host as a test's second processes.

std::wstring DrvHostFile(const std::wstring& name);
std::wstring Quoted(const std::wstring& text);

// Runs a command line to its end and returns its exit code, its standard output in *output
// (when given); -1 when it can't start or runs past the time-out (it is ended then).
int RunProgram(const std::wstring& command_line, std::string* output = nullptr,
               DWORD timeout_ms = 60000);

// Lays the document out into EMF pages in folder; the pages' paths, empty on failure.
std::vector<std::wstring> PrintDocument(const std::wstring& document, const std::wstring& folder,
                                        const std::wstring& options = L"");

// Plays the pages with the driver host on the module, with the host's options.
int RunHost(const std::wstring& module, const std::wstring& options,
            const std::vector<std::wstring>& pages, std::string* output = nullptr);

// Writes text as a UTF-8 file.
bool WriteTextFile(const std::wstring& path, const std::wstring& text);

// The words of a text in order, split at white space.
std::vector<std::wstring> Words(const std::wstring& text);
