#pragma once
#include <windows.h>

#include <memory>

#include "critical_section.h"
#include "event_dispatcher.h"
#include "handle.h"
#include "queued_event.h"

// First in, first out list of posted events for one events thread, with the wake-up protocol
// between posters and that thread: `idle_count` is 1 while the thread waits or is about to,
// and the push that takes it to 0 sets the manual-reset `wake_event`.
class EventQueue {
public:
    // Null when the wake event can't be created.
    static std::unique_ptr<EventQueue> Create() noexcept;
    ~EventQueue() { Clear(); }
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // Appends the record and wakes the thread when it waits. Never fails.
    void Push(std::unique_ptr<QueuedEvent> record) noexcept;
    // The first record, or null when the list is empty.
    std::unique_ptr<QueuedEvent> PopFront() noexcept;
    // Deletes every queued record.
    void Clear() noexcept;
    bool Empty() noexcept;

    LONG IdleCount() const { return InterlockedCompareExchange(&idle_count_, 0, 0); }
    HANDLE WakeEvent() const { return wake_event_.Get(); }
    // End of one round of the events thread: re-arms the wake-up. The thread checks for
    // records after this and before it waits.
    void Rearm() noexcept;

private:
    explicit EventQueue(UniqueHandle wakeEvent);

    CriticalSection lock_;
    QueuedEvent* head_ = nullptr;
    QueuedEvent* tail_ = nullptr;
    UniqueHandle wake_event_;
    mutable LONG idle_count_ = 0;
};

// The events thread's loop: fires every record in order until a stop record (dispid 0), which
// deletes what is queued behind it. Returns once the stop record was handled.
void RunEventLoop(EventQueue& queue, EventDispatcher& dispatcher) noexcept;
