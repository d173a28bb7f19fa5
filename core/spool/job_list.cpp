#include "job_list.h"

void JobList::SetDropListener(JobDropListener* listener) noexcept {
    CriticalSectionLock hold(lock_);
    listener_ = listener;
}

void JobList::Push(SpoolJob* job) noexcept {
    if (!job)
        return;
    CriticalSectionLock hold(lock_);
    job->list_next_ = nullptr;
    job->list_prev_ = tail_;
    if (tail_)
        tail_->list_next_ = job;
    else
        head_ = job;
    tail_ = job;
    ++count_;
}

SpoolJob* JobList::Front() const noexcept {
    CriticalSectionLock hold(lock_);
    return head_;
}

SpoolJob* JobList::UnlinkFront() noexcept {
    CriticalSectionLock hold(lock_);
    SpoolJob* job = head_;
    if (!job)
        return nullptr;
    head_ = job->list_next_;
    if (head_)
        head_->list_prev_ = nullptr;
    else
        tail_ = nullptr;
    job->list_next_ = nullptr;
    --count_;
    return job;
}

void JobList::Drop(SpoolJob* job) noexcept {
    JobDropListener* listener;
    {
        CriticalSectionLock hold(lock_);
        listener = listener_;
    }
    if (listener)
        listener->OnJobDropped(job);
    delete job;
}

void JobList::PopFront() noexcept {
    if (SpoolJob* job = UnlinkFront())
        Drop(job);
}

void JobList::Clear() noexcept {
    while (SpoolJob* job = UnlinkFront())
        Drop(job);
}

unsigned JobList::Count() const noexcept {
    CriticalSectionLock hold(lock_);
    return count_;
}
