#pragma once
#include <windows.h>

#include <string>

#include "qlx_tplugin.h"

// The program that a transport runs once it has delivered its output, as its parameters give it.
struct PostProcessor {
    std::wstring exec;  // the program, or any file the shell can open; may hold macros
    std::wstring param; // the arguments put first; may hold macros
    long hide = 0;      // non-zero: started hidden
    long wait = 0;      // non-zero: waited for until it ends, however long it runs
};

// Starts the post-processor. The program is expanded for page with file-name-safe dates and
// runs in its own folder ("." when it names none); the arguments are expanded with the
// system's dates and, when file is given, the file's path follows them as one quoted argument,
// added after the expansion so that nothing in the path is read as a macro or as more
// arguments. The process handle is closed in every case, after the wait when there is one.
// S_OK once started (with wait, once ended; also when the shell gave no process to wait for).
// E_FAIL when it could not be started: an expansion failed, the arguments leave a quote open
// (the file would not stand on its own), or the shell could not run the program. It fires no
// event and shows no window of its own: the caller reports the failure.
HRESULT LaunchPostProcessor(IRenderedCollection* pages, long page,
                            const PostProcessor& postProcessor, const std::wstring* file) noexcept;
