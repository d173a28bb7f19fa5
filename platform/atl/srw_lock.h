#pragma once
#include <windows.h>

// A slim reader/writer lock used exclusively, with a scoped holder and a condition variable.
class SrwLock {
public:
    SrwLock() = default;
    SrwLock(const SrwLock&) = delete;
    SrwLock& operator=(const SrwLock&) = delete;

    void Lock() noexcept { AcquireSRWLockExclusive(&lock_); }
    void Unlock() noexcept { ReleaseSRWLockExclusive(&lock_); }
    SRWLOCK* Native() noexcept { return &lock_; }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

class SrwGuard {
public:
    explicit SrwGuard(SrwLock& lock) noexcept : lock_(lock) { lock_.Lock(); }
    ~SrwGuard() { lock_.Unlock(); }
    SrwGuard(const SrwGuard&) = delete;
    SrwGuard& operator=(const SrwGuard&) = delete;

private:
    SrwLock& lock_;
};

class ConditionVariable {
public:
    ConditionVariable() = default;
    ConditionVariable(const ConditionVariable&) = delete;
    ConditionVariable& operator=(const ConditionVariable&) = delete;

    // The lock must be held; it is released while waiting.
    void Wait(SrwLock& lock) noexcept {
        SleepConditionVariableSRW(&cv_, lock.Native(), INFINITE, 0);
    }
    // As Wait, at most timeoutMs; false when the time ran out.
    bool WaitFor(SrwLock& lock, DWORD timeoutMs) noexcept {
        return SleepConditionVariableSRW(&cv_, lock.Native(), timeoutMs, 0) != 0;
    }
    void WakeAll() noexcept { WakeAllConditionVariable(&cv_); }

private:
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};
