#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <thread>
#include <vector>

#include "event_dispids.h"
#include "event_queue.h"
#include "event_queue_owner.h"
#include "recording_dispatcher.h"

namespace {

std::unique_ptr<QueuedEvent> Page(LONG page) {
    return QueuedEvent::Create(kOnPageRendered, page);
}

std::vector<std::wstring> PageArgs(const std::vector<FiredEvent>& events) {
    std::vector<std::wstring> pages;
    for (const FiredEvent& e : events)
        pages.push_back(e.args.empty() ? L"(none)" : e.args[0]);
    return pages;
}

size_t ThreadsOfThisProcess() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    size_t count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    return count;
}

TEST(EventLoopTest, FiresInOrderAndStopDropsWhatIsQueuedBehindIt) {
    std::unique_ptr<EventQueue> queue = EventQueue::Create();
    ASSERT_TRUE(queue);
    queue->Push(Page(0));
    queue->Push(Page(1));
    queue->Push(QueuedEvent::CreateStop());
    queue->Push(Page(2));

    RecordingDispatcher listener;
    RunEventLoop(*queue, listener); // returns once the stop record was handled

    EXPECT_EQ(PageArgs(listener.Events()), (std::vector<std::wstring>{L"I4 0", L"I4 1"}));
    EXPECT_TRUE(queue->Empty()) << "the record behind the stop is deleted";
}

bool Signalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// The events thread's steps played one by one on this thread: whenever the thread would wait,
// a queued record must have set the wake event.
TEST(EventLoopTest, EveryPushAfterARearmWakesTheThread) {
    std::unique_ptr<EventQueue> queue = EventQueue::Create();
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->IdleCount(), 1);
    EXPECT_FALSE(Signalled(queue->WakeEvent()));

    queue->Push(Page(0)); // wakes the waiting thread
    EXPECT_EQ(queue->IdleCount(), 0);
    EXPECT_TRUE(Signalled(queue->WakeEvent()));
    queue->PopFront();    // the thread drains...
    queue->Push(Page(1)); // ...and a record comes in before it re-arms
    EXPECT_EQ(queue->IdleCount(), 0) << "never below 0";
    queue->Rearm();

    ASSERT_FALSE(queue->Empty()); // so the next round drains without waiting
    queue->PopFront();
    queue->Rearm();
    EXPECT_EQ(queue->IdleCount(), 1);
    EXPECT_FALSE(Signalled(queue->WakeEvent()));

    queue->Push(QueuedEvent::CreateStop()); // now the thread waits: this must wake it
    EXPECT_TRUE(Signalled(queue->WakeEvent()));
}

TEST(EventQueueOwnerTest, PushWithoutRunningThreadIsRefused) {
    RecordingDispatcher listener;
    EventQueueOwner owner(listener);
    EXPECT_EQ(owner.Push(Page(0)), E_FAIL);
    ASSERT_EQ(owner.Start(), S_OK);
    EXPECT_EQ(owner.Push(Page(1)), S_OK);
    owner.Stop();
    EXPECT_EQ(owner.Push(Page(2)), E_FAIL) << "posts after a stop are lost";
    owner.Shutdown();
    EXPECT_EQ(PageArgs(listener.Events()), (std::vector<std::wstring>{L"I4 1"}));
}

// A start while the old thread still drains gets a fresh queue: the events posted after it
// arrive even while the old thread is stuck in a listener.
TEST(EventQueueOwnerTest, StartWhileOldThreadDrainsReceivesTheEventsThatFollow) {
    RecordingDispatcher listener(kOnStartJob);
    EventQueueOwner owner(listener);
    ASSERT_EQ(owner.Start(), S_OK);
    owner.Push(QueuedEvent::Create(kOnStartJob)); // holds the old thread in the listener
    owner.Push(Page(1));
    owner.Stop();

    ASSERT_EQ(owner.Start(), S_OK);
    owner.Push(Page(2));
    ASSERT_TRUE(listener.WaitForCount(1)) << "the new thread delivers while the old one waits";
    EXPECT_EQ(PageArgs(listener.Events()), (std::vector<std::wstring>{L"I4 2"}));

    listener.OpenGate();
    owner.Shutdown();
    std::vector<FiredEvent> events = listener.Events();
    ASSERT_EQ(events.size(), 3u) << "the old thread drained what was posted before its stop";
    EXPECT_EQ(events[1].dispid, kOnStartJob);
    EXPECT_EQ(events[2].args, (std::vector<std::wstring>{L"I4 1"}));
    EXPECT_NE(events[0].thread, events[1].thread);
}

TEST(EventQueueOwnerTest, StartStopFromManyThreadsWhileOthersPostLeavesNoThreadBehind) {
    RecordingDispatcher listener;
    {
        EventQueueOwner warmUp(listener); // lets the system make its lazily created threads
        warmUp.Start();
        warmUp.Stop();
    }
    const size_t threadsBefore = ThreadsOfThisProcess();

    EventQueueOwner owner(listener);
    std::atomic<bool> cycling{true};
    std::atomic<int> cycles{0};
    std::vector<std::thread> cyclers, posters;
    for (int t = 0; t < 4; ++t) {
        cyclers.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
                EXPECT_EQ(owner.Start(), S_OK);
                owner.Stop();
                ++cycles;
            }
        });
    }
    for (int t = 0; t < 3; ++t) {
        posters.emplace_back([&] {
            while (cycling)
                owner.Push(Page(-1));
        });
    }
    for (std::thread& t : cyclers)
        t.join();
    cycling = false;
    for (std::thread& t : posters)
        t.join();
    EXPECT_EQ(cycles, 1000);
    EXPECT_FALSE(owner.Running());

    ASSERT_EQ(owner.Start(), S_OK);
    const size_t before = listener.Events().size();
    for (LONG page = 0; page < 10; ++page)
        owner.Push(Page(page));
    owner.Shutdown();

    std::vector<FiredEvent> events = listener.Events();
    std::vector<std::wstring> last(PageArgs(events));
    last.erase(last.begin(), last.begin() + std::min(before, last.size()));
    std::vector<std::wstring> followed;
    for (const std::wstring& arg : last) {
        if (arg != L"I4 -1") // stragglers of the drained threads may still arrive
            followed.push_back(arg);
    }
    std::vector<std::wstring> expected;
    for (int page = 0; page < 10; ++page)
        expected.push_back(L"I4 " + std::to_wstring(page));
    EXPECT_EQ(followed, expected);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore) << "every events thread was joined";
}

} // namespace
