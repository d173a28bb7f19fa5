#pragma once
#include <windows.h>

#include "spool_job.h"

// Page creation and the spool files of a finished job.
//
// The spooler leaves a job's spool file as "%05d.spl" (job id) in the spool folder, and a
// separator file "%05d.sep" beside it when the printer has one. At the job's end both get
// names built from the process id and a per-process counter ("%08x_%08x.spl"/".sep"), so
// that a later job of the same number cannot take or overwrite them.
class QLX_Storage {
public:
    // Appends a page of that size to the job and makes it the current page.
    static HRESULT Create(SpoolJob* job, long width, long height) noexcept;

    // Moves the job's spool and separator files to their unique names, recording them in the
    // job. spool_folder ends in a backslash. A name already on disk is never reused: the next
    // counter value is tried instead.
    static HRESULT LockFiles(const wchar_t* spool_folder, SpoolJob* job) noexcept;
};
