#pragma once
#include <windows.h>

// The store's one lock. Recursive, so a printer load can call the section operations that lock
// on their own.
class CfgLock {
public:
    CfgLock() { InitializeCriticalSection(&section_); }
    ~CfgLock() { DeleteCriticalSection(&section_); }
    CfgLock(const CfgLock&) = delete;
    CfgLock& operator=(const CfgLock&) = delete;

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CfgLockGuard {
public:
    explicit CfgLockGuard(CfgLock& lock) : lock_(lock) { lock_.Enter(); }
    ~CfgLockGuard() { lock_.Leave(); }
    CfgLockGuard(const CfgLockGuard&) = delete;
    CfgLockGuard& operator=(const CfgLockGuard&) = delete;

private:
    CfgLock& lock_;
};
