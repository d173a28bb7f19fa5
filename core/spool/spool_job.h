#pragma once
#include <windows.h>
#include <stdint.h>

#include <atomic>

#include "critical_section.h"
#include "ptr_array.h"
#include "spool_page.h"
#include "wstring.h"

// Bits of SpoolJob::Flags(); "Status" of a job reports them as they stand.
enum SpoolJobFlag : uint32_t {
    kJobStarted = 0x01,
    kJobOpened = 0x02,
    kJobEnded = 0x04,
    kJobRendered = 0x08,
    kJobSeparatorEntry = 0x10,
    kJobHeaderEntry = 0x20,
    kJobFooterEntry = 0x40,
};

// One captured job, owned by the JobList from its start until it is closed.
//
// The page array grows on the intake's thread while the job thread reads it, so every access
// to it goes through the job's lock. Page objects stay where they are until Release.
class SpoolJob {
public:
    SpoolJob() = default;
    ~SpoolJob() { Release(); }
    SpoolJob(const SpoolJob&) = delete;
    SpoolJob& operator=(const SpoolJob&) = delete;

    // Copies the strings; E_OUTOFMEMORY when one could not be copied.
    HRESULT Init(const wchar_t* printer_name, const wchar_t* format_name, long job_id, long dpi,
                 const wchar_t* document_name) noexcept;

    // Takes the page and makes it the current page; false (page freed) when out of memory.
    bool AppendPage(std::unique_ptr<SpoolPage> page) noexcept;
    unsigned PageCount() const noexcept;
    // Null when out of range.
    SpoolPage* Page(unsigned index) const noexcept;
    // The last page created; null before the first.
    SpoolPage* CurrentPage() const noexcept;

    // Frees every page and deletes the job's spool file, and its separator file when the
    // separator had a size. Safe to call twice.
    void Release() noexcept;

    uint32_t Flags() const noexcept { return flags_.load(); }
    void SetFlags(uint32_t bits) noexcept { flags_.fetch_or(bits); }
    void ClearFlags(uint32_t bits) noexcept { flags_.fetch_and(~bits); }

    long job_id = 0;
    long dpi = 0;
    WString document;
    WString printer;
    // The spool data type as received ("EMF", "RAW", "TEXT"...).
    WString format;
    // Full paths under the unique names given at the job's end; empty before or when none.
    WString spool_file;
    WString separator_file;
    // Low 32 bits of the separator's size when it was moved; 0 when there is none.
    uint32_t separator_size = 0;

private:
    friend class JobList;

    mutable CriticalSection pages_lock_;
    PtrArray pages_;
    SpoolPage* current_page_ = nullptr;
    std::atomic<uint32_t> flags_{0};

    // Links of the JobList, guarded by its lock.
    SpoolJob* list_prev_ = nullptr;
    SpoolJob* list_next_ = nullptr;
};
