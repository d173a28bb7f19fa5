#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "program_run.h"

// Runs the printing program and the driver host as a test's second processes.

std::wstring DrvHostFile(const std::wstring& name);

// Lays the document out into EMF pages in folder; the pages' paths, empty on failure.
std::vector<std::wstring> PrintDocument(const std::wstring& document, const std::wstring& folder,
                                        const std::wstring& options = L"");

// Plays the pages with the driver host on the module, with the host's options.
int RunHost(const std::wstring& module, const std::wstring& options,
            const std::vector<std::wstring>& pages, std::string* output = nullptr);

// Writes text as a UTF-8 file.
bool WriteTextFile(const std::wstring& path, const std::wstring& text);

// count words "w0001", "w0002" ..., per_paragraph of them to a line of the text.
std::wstring NumberedWords(int count, int per_paragraph);

// The words of a text in order, split at white space.
std::vector<std::wstring> Words(const std::wstring& text);
