#pragma once
#include <windows.h>

#include <string>

#include "handle.h"

enum class StubLink {
    kNoRelay,   // no relay was started for the job: direct mode
    kConnected, // the relay's pipe is open for writing
    kNotReached // a relay was started but its pipe could not be opened in time
};

// The longest the spooler is held while the job's relay makes its pipe.
constexpr DWORD kStubPipeDeadlineMs = 20000;
constexpr unsigned kStubPipeTries = 100;

// Finds the job's relay through its event and opens its pipe: up to kStubPipeTries tries,
// each waiting for a free instance of the pipe (or 100 ms while there is none), all within
// kStubPipeDeadlineMs. A relay that is not reached in time is logged as an error.
StubLink ConnectStubPipe(const std::wstring& prefix, long job_id, UniqueHandle* pipe);
