#pragma once
#include "busy_counter.h"
#include "critical_section.h"

// Hands the current job's page events over between the job thread and replays of the job to a
// newly connected user interface. While a replay runs, the job thread posts no OnPageRendered
// or OnAllPagesRendered (the replay posts them); a replay ends only when it has caught up with
// what the job thread published, and it checks that and leaves the replay counter in one step,
// under the lock under which the job thread publishes and decides. So every event is posted by
// one side or the other: none falls between the replay's last look and its end.
class ReplayHandover {
public:
    explicit ReplayHandover(BusyCounter& replays) : replays_(replays) {}
    ReplayHandover(const ReplayHandover&) = delete;
    ReplayHandover& operator=(const ReplayHandover&) = delete;

    // Job thread: runs publish (a rendered page added, the job marked rendered); true when the
    // job thread posts the event itself, false when a replay will.
    template <class Body> bool Publish(Body&& publish) {
        CriticalSectionLock hold(lock_);
        publish();
        return replays_.Count() < 1;
    }

    // Counted from before the replay looks at the job until it has caught up.
    void BeginReplay() noexcept {
        CriticalSectionLock hold(lock_);
        replays_.Enter();
    }
    // Ends the replay when caughtUp() says it posted all it must; otherwise the replay stays
    // counted, posts what it lacks and asks again.
    template <class CaughtUp> bool EndReplayIfCaughtUp(CaughtUp&& caughtUp) {
        CriticalSectionLock hold(lock_);
        if (!caughtUp())
            return false;
        replays_.Leave();
        return true;
    }
    // A replay that could not start.
    void AbandonReplay() noexcept {
        CriticalSectionLock hold(lock_);
        replays_.Leave();
    }

private:
    BusyCounter& replays_;
    CriticalSection lock_;
};
