#pragma once
#include <windows.h>

#include <string>

#include "handle.h"

// What the driver UI module does in the printing application at the start of a document,
// for a host that prints without it: makes the job's event, starts the relay with the job id
// and waits up to 20 seconds for the relay to set the event. The relay is then waited for
// after the document, so that the job is forwarded whole before the host ends.
class RelayStart {
public:
    // False with a message when the relay can't be started.
    bool Start(const std::wstring& program, DWORD job_id, std::wstring* error);
    // Waits for the relay to end; its exit code, or -1 after the time-out (it is ended then).
    int Finish(DWORD timeout_ms);

private:
    UniqueHandle process_;
};
