#include "event_queue.h"

#include <new>

#include "log.h"

void FireRecord(QueuedEvent& record, EventDispatcher& dispatcher) noexcept {
    EventArgs args;
    record.MoveArgsTo(args);
    dispatcher.Dispatch(record.dispid(), args.Params());
}

std::unique_ptr<EventQueue> EventQueue::Create() noexcept {
    UniqueHandle wake(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!wake)
        return nullptr;
    std::unique_ptr<EventQueue> queue(new (std::nothrow) EventQueue(std::move(wake)));
    if (!queue)
        return nullptr;
    ResetEvent(queue->WakeEvent());
    InterlockedIncrement(&queue->idle_count_);
    return queue;
}

EventQueue::EventQueue(UniqueHandle wakeEvent) : wake_event_(std::move(wakeEvent)) {}

void EventQueue::Push(std::unique_ptr<QueuedEvent> record) noexcept {
    if (!record)
        return;
    {
        CriticalSectionLock hold(lock_);
        QueuedEvent* raw = record.release();
        raw->next = nullptr;
        if (tail_)
            tail_->next = raw;
        else
            head_ = raw;
        tail_ = raw;
    }
    // Decrement only a positive count: two pushers that both saw 1 must not take it below 0.
    LONG seen = IdleCount();
    while (seen > 0) {
        LONG before = InterlockedCompareExchange(&idle_count_, seen - 1, seen);
        if (before == seen) {
            if (seen == 1)
                SetEvent(WakeEvent());
            break;
        }
        seen = before;
    }
}

std::unique_ptr<QueuedEvent> EventQueue::PopFront() noexcept {
    CriticalSectionLock hold(lock_);
    QueuedEvent* first = head_;
    if (first) {
        head_ = first->next;
        if (!head_)
            tail_ = nullptr;
        first->next = nullptr;
    }
    return std::unique_ptr<QueuedEvent>(first);
}

void EventQueue::Clear() noexcept {
    QueuedEvent* list;
    {
        CriticalSectionLock hold(lock_);
        list = head_;
        head_ = tail_ = nullptr;
    }
    while (list) {
        QueuedEvent* next = list->next;
        delete list;
        list = next;
    }
}

bool EventQueue::Empty() noexcept {
    CriticalSectionLock hold(lock_);
    return head_ == nullptr;
}

void EventQueue::Rearm() noexcept {
    // Back to exactly 1, and always reset: a record pushed after the last drain, while the
    // count was 0, is found by the emptiness check that follows, and every later push finds
    // the count at 1 again. Counting up from there instead would leave it at 2 after such a
    // push and the next push (the stop record, say) would wake nobody.
    ResetEvent(WakeEvent());
    InterlockedExchange(&idle_count_, 1);
}

void RunEventLoop(EventQueue& queue, EventDispatcher& dispatcher) noexcept {
    bool stop = false;
    while (!stop) {
        if (queue.Empty() && queue.IdleCount() != 0) {
            LogInfo(L'C', L"Waiting for event");
            WaitForSingleObject(queue.WakeEvent(), INFINITE);
        }
        while (!stop) {
            std::unique_ptr<QueuedEvent> record = queue.PopFront();
            if (!record)
                break;
            if (record->IsStop()) {
                queue.Clear();
                stop = true;
            } else {
                FireRecord(*record, dispatcher);
            }
        }
        queue.Rearm();
    }
}
