#pragma once
#include "critical_section.h"
#include "spool_job.h"

// Told about every job the list destroys, before it is freed, so that no one keeps a pointer
// to it. Called without the list's lock held.
class JobDropListener {
public:
    virtual void OnJobDropped(SpoolJob* job) noexcept = 0;

protected:
    ~JobDropListener() = default;
};

// The engine's pending jobs in arrival order. The front job is the one being (or next to be)
// processed; the job being received is the last one pushed. Owns its jobs.
//
// Lock order: the engine's render lock, then this list's lock. The drop listener is called
// after the lock is released, so it may take locks of its own.
class JobList {
public:
    JobList() = default;
    ~JobList() { Clear(); }
    JobList(const JobList&) = delete;
    JobList& operator=(const JobList&) = delete;

    void SetDropListener(JobDropListener* listener) noexcept;

    // Takes the job.
    void Push(SpoolJob* job) noexcept;
    // The front job, left in the list; null when empty.
    SpoolJob* Front() const noexcept;
    // Destroys the front job with its files; nothing when empty.
    void PopFront() noexcept;
    // Destroys every job.
    void Clear() noexcept;
    unsigned Count() const noexcept;

private:
    SpoolJob* UnlinkFront() noexcept;
    void Drop(SpoolJob* job) noexcept;

    mutable CriticalSection lock_;
    SpoolJob* head_ = nullptr;
    SpoolJob* tail_ = nullptr;
    unsigned count_ = 0;
    JobDropListener* listener_ = nullptr;
};
