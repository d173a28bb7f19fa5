#pragma once
#include <windows.h>

#include <string>

#include "program_run.h"
#include "registration.h"
#include "temp_dir.h"

// What the tests of the core program share: programs run to their end, the classes keys they
// look at, Wine's script host as an automation client, and the program's log.

// The key the core program reads from its resources.
constexpr wchar_t kCoreProductKey[] = L"Software\\Quorvane\\Lettrix";

bool FileThere(const wchar_t* path);
std::string Narrow(const std::wstring& text);

// Keys and values under HKEY_LOCAL_MACHINE\Software\Classes in one view; a missing key or
// value reads as "(no key)" or "(no value)".
bool KeyThere(const std::wstring& path, RegistryView view);
std::wstring StringValue(const std::wstring& path, const wchar_t* name, RegistryView view);

// Runs Wine's 32-bit script host on a VBScript and returns what it wrote.
bool RunScript(const TempDir& dir, const std::string& script, std::string* output);

// The keys "/RegServer" of that core program wrote in both views, then their removal by
// "-UnregServer", and a second removal that finds nothing and is no failure.
void ExpectRegisteredThenRemoved(const wchar_t* server);

// The core program's log written to a file of the test's own, at information level, through
// the product key that the program reads from its resources.
class ServerLog {
public:
    ServerLog();
    ~ServerLog();
    ServerLog(const ServerLog&) = delete;
    ServerLog& operator=(const ServerLog&) = delete;
    std::string Text();

private:
    TempDir dir_;
};
