#pragma once
#include <windows.h>

#include <string>

#include "handle.h"

// Test programs can start themselves as a second process: a child is a named function that
// runs instead of the tests when the program is started with "--child NAME ARGS...".
using ChildMain = int (*)(int argc, wchar_t** argv);

struct ChildRegistration {
    ChildRegistration(const wchar_t* name, ChildMain main);
};

#define QLX_TEST_CHILD(name)                                                                       \
    static int name##_child(int argc, wchar_t** argv);                                             \
    static ChildRegistration name##_registration(L## #name, name##_child);                         \
    static int name##_child([[maybe_unused]] int argc, [[maybe_unused]] wchar_t** argv)

// Runs a registered child when the command line asks for one; -1 when it does not.
int RunChildIfAsked(int argc, wchar_t** argv);

// Starts this program as the named child; the returned handle is the child's process.
UniqueHandle StartChild(const wchar_t* name, const std::wstring& arguments = L"");
// Waits for a child and returns its exit code, or -1 on time-out (the child is then killed).
int WaitChild(HANDLE process, DWORD timeoutMs = 30000);
