#pragma once
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <vector>

#include "critical_section.h"
#include "event_dispatcher.h"
#include "event_queue_owner.h"

// Posts the engine's events and counts its listeners. With AsyncEvents 0 every event is fired
// at once on the posting thread; otherwise it is queued for the events thread, which runs
// while at least one listener is connected (events posted with none connected are lost).
//
// Every Post method may be called from any thread and never throws: an event whose strings or
// VARIANT can't be copied is dropped with an error line in the log.
//
// Locking rule for callers: a synchronous post runs the listeners' code on the calling thread,
// and a listener may call back into the engine from there. Never post while holding an engine
// lock (render_lock, the JobList lock, init_lock, the connection point's lock) that such a call
// may need. The poster itself holds no lock while it dispatches.
class EventPoster {
public:
    explicit EventPoster(EventDispatcher& dispatcher)
        : dispatcher_(dispatcher), owner_(dispatcher) {}
    EventPoster(const EventPoster&) = delete;
    EventPoster& operator=(const EventPoster&) = delete;

    // The AsyncEvents option as read at the engine's start. Turning it on while listeners are
    // connected starts the events thread for them.
    void SetAsyncEvents(bool on) noexcept;
    bool AsyncEvents() const noexcept { return InterlockedCompareExchange(&async_, 0, 0) != 0; }

    // After a successful Advise: counts the listener and, with AsyncEvents set, starts the
    // events thread when none runs. When it can't be started, AsyncEvents is turned off and
    // events are fired directly from then on. Returns the new count.
    LONG AddListener() noexcept;
    // After a successful Unadvise: the last listener leaving stops the events thread, which
    // still fires what was posted before. Never goes below 0. Returns the new count.
    LONG RemoveListener() noexcept;
    LONG Listeners() const noexcept { return InterlockedCompareExchange(&listeners_, 0, 0); }

    void PostOnStartJob() noexcept;
    void PostOnError(long code, const wchar_t* message) noexcept;
    void PostOnPageRendered(long page) noexcept;
    void PostOnAllPagesRendered() noexcept;
    void PostOnProgress(const wchar_t* pluginName, long value) noexcept;
    void PostOnUnload() noexcept;
    void PostOnCancelJob() noexcept;
    void PostOnSavingEvent(long event) noexcept;
    void PostOnPageSaving(long page) noexcept;
    void PostOnAddRemovePrinter(long printerEvent) noexcept;
    void PostOnSettingChanged(const wchar_t* target, const wchar_t* param,
                              const VARIANT& newVal) noexcept;
    void PostOnSettingChangeFailed(const wchar_t* target, const wchar_t* param) noexcept;

    // True while queued events wait for the events thread.
    bool EventsPending() noexcept { return owner_.Pending(); }

    // Ends the events thread and waits for it, at most timeoutMs (engine destruction).
    void Shutdown(DWORD timeoutMs = INFINITE) noexcept { owner_.Shutdown(timeoutMs); }

    // Holds back what this thread posts through the poster until the outermost deferral on
    // the thread ends, then delivers it in posting order. Made before a lock is taken, it goes
    // after the lock is released: whatever runs under the lock may post, and a synchronous
    // listener's call back into the engine then finds the lock free.
    class Deferral {
    public:
        explicit Deferral(EventPoster& poster) noexcept;
        ~Deferral();
        Deferral(const Deferral&) = delete;
        Deferral& operator=(const Deferral&) = delete;

    private:
        friend class EventPoster;
        EventPoster& poster_;
        Deferral* outer_;
        // Records whose slot could not be made are delivered at once (out of order, not lost).
        std::vector<std::unique_ptr<QueuedEvent>> held_;
    };

private:
    void PostSimple(DISPID dispid, LONG arg = 0) noexcept;
    // Fires or queues a record made by one of the Create functions (made = their result).
    void Deliver(DISPID dispid, HRESULT made, std::unique_ptr<QueuedEvent> record) noexcept;
    void StartThreadLocked() noexcept;
    // The record delivered now, fired or queued.
    void DeliverNow(std::unique_ptr<QueuedEvent> record) noexcept;
    static Deferral*& CurrentDeferral() noexcept;

    EventDispatcher& dispatcher_;
    EventQueueOwner owner_;
    CriticalSection listeners_lock_; // keeps count changes and thread start/stop in step
    mutable LONG listeners_ = 0;
    mutable LONG async_ = 0;
};
