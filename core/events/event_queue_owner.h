#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "critical_section.h"
#include "event_dispatcher.h"
#include "event_queue.h"
#include "handle.h"

struct EventSession;

// Owns the event queue and its events thread, with one lifetime for both: a session (queue and
// thread) is created by Start, ended by Stop, and its thread is joined before the owner goes.
//
// Start, Stop and Push may be called from any number of threads at once. Stop queues a stop
// record and detaches the session at once, so the old thread drains on its own while a Start
// that follows creates a fresh queue that receives the events posted after it; nothing ever
// waits for a draining thread while holding the lock. Threads that have ended are joined by the
// next Start or Stop, the rest by the destructor.
//
// The owner must not be destroyed by a listener's call on the events thread itself.
class EventQueueOwner {
public:
    explicit EventQueueOwner(EventDispatcher& dispatcher) : dispatcher_(dispatcher) {}
    ~EventQueueOwner();
    EventQueueOwner(const EventQueueOwner&) = delete;
    EventQueueOwner& operator=(const EventQueueOwner&) = delete;

    // Creates the queue and starts the events thread when none runs. S_OK when one runs
    // afterwards; E_OUTOFMEMORY or the thread creation's error otherwise (no queue then).
    HRESULT Start() noexcept;
    // Queues a stop record for the running thread, which fires what was posted before it and
    // ends. Posts that follow are dropped until the next Start.
    void Stop() noexcept;
    // Queues the record; E_FAIL (the record is deleted, the event lost) when no thread runs.
    HRESULT Push(std::unique_ptr<QueuedEvent> record) noexcept;
    // Queues the record when a thread runs (true); otherwise leaves it with the caller.
    bool PushIfRunning(std::unique_ptr<QueuedEvent>& record) noexcept;
    bool Running() noexcept;
    // True while the running thread's queue holds records not yet taken.
    bool Pending() noexcept;
    // Stops and waits until every events thread has ended, at most timeoutMs in all. A thread
    // still running then (a listener that hangs in an event) is logged and left behind with
    // its queue emptied, so that it dispatches nothing more once its call returns.
    void Shutdown(DWORD timeoutMs = INFINITE) noexcept;

private:
    void JoinEndedThreads() noexcept;
    void StopLocked() noexcept;

    EventDispatcher& dispatcher_;
    CriticalSection lock_;
    std::shared_ptr<EventSession> live_;
    struct Started {
        UniqueHandle thread;
        std::shared_ptr<EventSession> session;
    };
    std::vector<Started> threads_; // every thread started and not yet joined
};
