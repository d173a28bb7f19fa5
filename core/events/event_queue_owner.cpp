#include "event_queue_owner.h"

#include <objbase.h>
#include <process.h>

#include <new>

#include "log.h"

// What one events thread works on. Shared by the owner and the thread, so it outlives both the
// thread's last use and the owner's.
struct EventSession {
    EventSession(std::unique_ptr<EventQueue> q, std::unique_ptr<QueuedEvent> s, EventDispatcher& d)
        : queue(std::move(q)), stop(std::move(s)), dispatcher(d) {}
    std::unique_ptr<EventQueue> queue;
    // Made at the start, so that stopping can't fail for want of memory.
    std::unique_ptr<QueuedEvent> stop;
    EventDispatcher& dispatcher;
};

namespace {

HRESULT LastErrorResult() {
    DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

unsigned __stdcall events_thread(void* param) {
    // Takes over the reference the starter made for it.
    std::unique_ptr<std::shared_ptr<EventSession>> session(
        static_cast<std::shared_ptr<EventSession>*>(param));
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    LogInfo(L'C', L"Events thread started");
    RunEventLoop(*(*session)->queue, (*session)->dispatcher);
    LogInfo(L'C', L"Events thread ended");
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

} // namespace

EventQueueOwner::~EventQueueOwner() {
    Shutdown();
}

HRESULT EventQueueOwner::Start() noexcept {
    CriticalSectionLock hold(lock_);
    JoinEndedThreads();
    if (live_)
        return S_OK;

    std::unique_ptr<EventQueue> queue = EventQueue::Create();
    if (!queue)
        return LastErrorResult();
    std::unique_ptr<QueuedEvent> stop = QueuedEvent::CreateStop();
    if (!stop)
        return E_OUTOFMEMORY;
    std::shared_ptr<EventSession> session;
    std::unique_ptr<std::shared_ptr<EventSession>> threadRef;
    try {
        threads_.reserve(threads_.size() + 1);
        session = std::make_shared<EventSession>(std::move(queue), std::move(stop), dispatcher_);
        threadRef.reset(new std::shared_ptr<EventSession>(session));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }

    LogInfo(L'C', L"CQLX::StartEventsThread");
    uintptr_t thread = _beginthreadex(nullptr, 0, events_thread, threadRef.get(), 0, nullptr);
    if (!thread)
        return LastErrorResult();
    threadRef.release(); // the thread owns it now
    threads_.push_back(Started{UniqueHandle(reinterpret_cast<HANDLE>(thread)), session});
    live_ = std::move(session);
    return S_OK;
}

void EventQueueOwner::Stop() noexcept {
    CriticalSectionLock hold(lock_);
    StopLocked();
    JoinEndedThreads();
}

void EventQueueOwner::StopLocked() noexcept {
    if (!live_)
        return;
    live_->queue->Push(std::move(live_->stop));
    live_.reset();
}

HRESULT EventQueueOwner::Push(std::unique_ptr<QueuedEvent> record) noexcept {
    CriticalSectionLock hold(lock_);
    if (!live_)
        return E_FAIL;
    live_->queue->Push(std::move(record));
    return S_OK;
}

bool EventQueueOwner::PushIfRunning(std::unique_ptr<QueuedEvent>& record) noexcept {
    CriticalSectionLock hold(lock_);
    if (!live_)
        return false;
    live_->queue->Push(std::move(record));
    return true;
}

bool EventQueueOwner::Running() noexcept {
    CriticalSectionLock hold(lock_);
    return live_ != nullptr;
}

bool EventQueueOwner::Pending() noexcept {
    CriticalSectionLock hold(lock_);
    return live_ && !live_->queue->Empty();
}

void EventQueueOwner::JoinEndedThreads() noexcept {
    for (size_t i = threads_.size(); i-- > 0;) {
        if (WaitForSingleObject(threads_[i].thread.Get(), 0) == WAIT_OBJECT_0)
            threads_.erase(threads_.begin() + i);
    }
}

void EventQueueOwner::Shutdown(DWORD timeoutMs) noexcept {
    std::vector<Started> threads;
    {
        CriticalSectionLock hold(lock_);
        StopLocked();
        threads.swap(threads_);
    }
    // Waited for outside the lock: a draining thread's listeners may still post.
    const DWORD self = GetCurrentThreadId();
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (Started& started : threads) {
        if (GetThreadId(started.thread.Get()) == self)
            continue;
        DWORD wait = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            wait = now >= end ? 0 : static_cast<DWORD>(end - now);
        }
        if (WaitForSingleObject(started.thread.Get(), wait) == WAIT_OBJECT_0)
            continue;
        LogError(L'C', L"Events thread did not end: a listener does not return from an event");
        // Its stop record goes too: the thread then waits for ever once the call returns.
        started.session->queue->Clear();
    }
}
