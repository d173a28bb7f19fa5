#pragma once
#include <windows.h>

#include <string>

#include "handle.h"

// The named kernel objects through which the capture deliverables find each other for one
// print job. Every name starts with the object prefix ("qlx"), which each capture deliverable
// keeps as its string resource 2.
constexpr UINT kObjectPrefixStringId = 2;
constexpr wchar_t kDefaultObjectPrefix[] = L"qlx";

// The prefix from the module's resources; the default when the resource is missing.
std::wstring LoadObjectPrefix(HINSTANCE module);

// "Global\%s_UL_Event_%d": the job's event, set by the relay once it runs.
std::wstring JobEventName(const std::wstring& prefix, long job_id);
// "\\.\pipe\%spipe_%ld": the job's pipe, served by the relay.
std::wstring JobPipeName(const std::wstring& prefix, long job_id);
// "%sstub_mutex": held by the relay that forwards a job, so that jobs go one at a time.
std::wstring StubMutexName(const std::wstring& prefix);

// The relay's side of the job's pipe: inbound, byte stream, blocking, 4096-byte buffers,
// with a null DACL so that the spooler's account can connect. One instance only, and only
// when no pipe of that name exists yet: a process that made the name first cannot take the
// job's messages. (A DACL tighter than null would have to admit the spooler's account and
// the printing user at least: SYSTEM, LOCAL SERVICE, NETWORK SERVICE and the user's SID, or
// the driver's isolation host account where the driver runs isolated.)
// Invalid on failure (GetLastError tells why).
UniqueHandle CreateJobPipe(const std::wstring& name);

// The job's event as the driver UI module makes it: manual reset, not set, null DACL.
UniqueHandle CreateJobEvent(const std::wstring& name);

// The relays' mutex, not owned, null DACL; *existed tells whether another relay had made it.
UniqueHandle CreateStubMutex(const std::wstring& name, bool* existed);
