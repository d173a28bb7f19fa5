#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "com_variant.h"
#include "event_dispids.h"
#include "event_poster.h"
#include "log.h"
#include "recording_dispatcher.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

using Args = std::vector<std::wstring>;

struct PostCase {
    const char* name;
    std::function<void(EventPoster&)> post;
    DISPID dispid;
    Args args; // declared order
};

std::vector<PostCase> TwelveEvents() {
    return {
        {"OnStartJob", [](EventPoster& p) { p.PostOnStartJob(); }, kOnStartJob, {}},
        {"OnError",
         [](EventPoster& p) { p.PostOnError(16, L"No job"); },
         kOnError,
         {L"I4 16", L"BSTR No job"}},
        {"OnPageRendered",
         [](EventPoster& p) { p.PostOnPageRendered(4); },
         kOnPageRendered,
         {L"I4 4"}},
        {"OnAllPagesRendered",
         [](EventPoster& p) { p.PostOnAllPagesRendered(); },
         kOnAllPagesRendered,
         {}},
        {"OnProgress",
         [](EventPoster& p) { p.PostOnProgress(L"File", 40); },
         kOnProgress,
         {L"BSTR File", L"I4 40"}},
        {"OnUnload", [](EventPoster& p) { p.PostOnUnload(); }, kOnUnload, {}},
        {"OnCancelJob", [](EventPoster& p) { p.PostOnCancelJob(); }, kOnCancelJob, {}},
        {"OnSavingEvent",
         [](EventPoster& p) { p.PostOnSavingEvent(5); },
         kOnSavingEvent,
         {L"I4 5"}},
        {"OnPageSaving", [](EventPoster& p) { p.PostOnPageSaving(2); }, kOnPageSaving, {L"I4 2"}},
        {"OnAddRemovePrinter",
         [](EventPoster& p) { p.PostOnAddRemovePrinter(3); },
         kOnAddRemovePrinter,
         {L"I4 3"}},
        {"OnSettingChanged",
         [](EventPoster& p) {
             ComVariant value(L"c:\\out");
             p.PostOnSettingChanged(L"Core", L"Folder", value);
         },
         kOnSettingChanged,
         {L"BSTR Core", L"BSTR Folder", L"BSTR c:\\out"}},
        {"OnSettingChangeFailed",
         [](EventPoster& p) { p.PostOnSettingChangeFailed(L"Mail", L"To"); },
         kOnSettingChangeFailed,
         {L"BSTR Mail", L"BSTR To"}},
        {"null strings as empty",
         [](EventPoster& p) { p.PostOnProgress(nullptr, 0); },
         kOnProgress,
         {L"BSTR ", L"I4 0"}},
    };
}

// Each event reaches the listener with its dispid and its arguments, the same whether fired at
// once or through the queue.
TEST(EventPosterTest, EveryEventCarriesItsArgumentsInDeclaredOrder) {
    for (bool async : {false, true}) {
        for (const PostCase& c : TwelveEvents()) {
            SCOPED_TRACE(std::string(c.name) + (async ? " queued" : " direct"));
            RecordingDispatcher listener;
            EventPoster poster(listener);
            poster.SetAsyncEvents(async);
            poster.AddListener();
            c.post(poster);
            poster.Shutdown();
            std::vector<FiredEvent> events = listener.Events();
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].dispid, c.dispid);
            EXPECT_EQ(events[0].args, c.args);
        }
    }
}

// Posters take turns in a fixed order; the listener sees exactly that order, on one thread
// that is none of theirs.
TEST(EventPosterTest, QueuedEventsArriveInPostingOrderOnOneThread) {
    RecordingDispatcher listener;
    EventPoster poster(listener);
    poster.SetAsyncEvents(true);
    poster.AddListener();

    constexpr int kEvents = 22; // OnStartJob, 20 pages, OnAllPagesRendered
    constexpr int kPosters = 4;
    std::atomic<int> turn{0};
    std::vector<DWORD> posterThreads(kPosters);
    std::vector<std::thread> threads;
    for (int t = 0; t < kPosters; ++t) {
        threads.emplace_back([&, t] {
            posterThreads[t] = GetCurrentThreadId();
            for (int i = t; i < kEvents; i += kPosters) {
                while (turn.load() != i)
                    std::this_thread::yield();
                if (i == 0)
                    poster.PostOnStartJob();
                else if (i == kEvents - 1)
                    poster.PostOnAllPagesRendered();
                else
                    poster.PostOnPageRendered(i - 1);
                turn.store(i + 1);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    ASSERT_TRUE(listener.WaitForCount(kEvents));
    poster.Shutdown();

    std::vector<FiredEvent> events = listener.Events();
    ASSERT_EQ(events.size(), static_cast<size_t>(kEvents));
    EXPECT_EQ(events.front().dispid, kOnStartJob);
    for (int page = 0; page < 20; ++page) {
        EXPECT_EQ(events[page + 1].dispid, kOnPageRendered) << "position " << page + 1;
        EXPECT_EQ(events[page + 1].args, Args{L"I4 " + std::to_wstring(page)})
            << "position " << page + 1;
    }
    EXPECT_EQ(events.back().dispid, kOnAllPagesRendered);

    std::set<DWORD> firing;
    for (const FiredEvent& e : events)
        firing.insert(e.thread);
    ASSERT_EQ(firing.size(), 1u) << "one events thread";
    for (DWORD posterThread : posterThreads)
        EXPECT_NE(*firing.begin(), posterThread);
    EXPECT_NE(*firing.begin(), GetCurrentThreadId());
}

TEST(EventPosterTest, DirectEventsArriveOnThePostingThread) {
    RecordingDispatcher listener;
    EventPoster poster(listener);
    poster.SetAsyncEvents(false);
    poster.AddListener();

    std::map<std::wstring, DWORD> posterOf; // page argument -> thread that posted it
    std::mutex mutex;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                int page = t * 100 + i;
                {
                    std::lock_guard<std::mutex> hold(mutex);
                    posterOf[L"I4 " + std::to_wstring(page)] = GetCurrentThreadId();
                }
                poster.PostOnPageRendered(page);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();

    std::vector<FiredEvent> events = listener.Events();
    ASSERT_EQ(events.size(), 20u);
    for (const FiredEvent& e : events)
        EXPECT_EQ(e.thread, posterOf[e.args.at(0)]) << "page " << testing::PrintToString(e.args[0]);
}

// With queued events, what is posted while nobody listens is lost; the last listener leaving
// ends the thread, a new one starts another.
TEST(EventPosterTest, QueuedEventsNeedAListener) {
    RecordingDispatcher listener;
    EventPoster poster(listener);
    poster.SetAsyncEvents(true);
    poster.PostOnPageRendered(0); // nobody listens yet
    EXPECT_EQ(poster.AddListener(), 1);
    poster.PostOnPageRendered(1);
    EXPECT_EQ(poster.RemoveListener(), 0);
    poster.PostOnPageRendered(2); // the last listener left
    EXPECT_EQ(poster.AddListener(), 1);
    poster.PostOnPageRendered(3);
    poster.Shutdown();

    std::set<Args> received;
    for (const FiredEvent& e : listener.Events())
        received.insert(e.args);
    EXPECT_EQ(received, (std::set<Args>{{L"I4 1"}, {L"I4 3"}}));
}

// The option is read again at each engine start; listeners already connected keep receiving.
TEST(EventPosterTest, TurningQueuedEventsOnServesConnectedListeners) {
    RecordingDispatcher listener;
    EventPoster poster(listener);
    poster.AddListener();
    poster.SetAsyncEvents(true);
    poster.PostOnUnload();
    ASSERT_TRUE(listener.WaitForCount(1));
    poster.Shutdown();
    std::vector<FiredEvent> events = listener.Events();
    EXPECT_EQ(events[0].dispid, kOnUnload);
    EXPECT_NE(events[0].thread, GetCurrentThreadId());
}

// Queued events turned off at a restart while the events thread still has a backlog: what
// was queued goes out first, and nothing is lost.
TEST(EventPosterTest, TurningQueuedEventsOffKeepsTheBacklogInOrder) {
    RecordingDispatcher listener(kOnStartJob);
    EventPoster poster(listener);
    poster.AddListener();
    poster.SetAsyncEvents(true);
    poster.PostOnStartJob(); // holds the events thread at the gate
    poster.PostOnPageRendered(0);
    poster.SetAsyncEvents(false);
    poster.PostOnPageRendered(1);
    poster.PostOnAllPagesRendered();
    listener.OpenGate();
    ASSERT_TRUE(listener.WaitForCount(4));
    std::vector<DISPID> order;
    for (const FiredEvent& event : listener.Events())
        order.push_back(event.dispid);
    EXPECT_EQ(order, (std::vector<DISPID>{kOnStartJob, kOnPageRendered, kOnPageRendered,
                                          kOnAllPagesRendered}));
    EXPECT_EQ(listener.Events()[2].args, Args{L"I4 1"});
    // Once the last listener has gone the thread stops, and events are fired directly.
    poster.RemoveListener();
    poster.AddListener();
    poster.PostOnUnload();
    ASSERT_TRUE(listener.WaitForCount(5));
    EXPECT_EQ(listener.Events()[4].thread, GetCurrentThreadId());
    poster.Shutdown();
}

// A listener that never returns from an event does not keep the poster's end waiting.
TEST(EventPosterTest, ShutdownGivesUpOnAThreadThatHangsInAnEvent) {
    // Left open: the hung thread must never come back into the destroyed poster.
    static RecordingDispatcher* hanging = new RecordingDispatcher(kOnStartJob);
    auto* poster = new EventPoster(*hanging);
    poster->AddListener();
    poster->SetAsyncEvents(true);
    poster->PostOnStartJob();
    poster->PostOnUnload();
    Sleep(50);
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread ending([&] {
        poster->Shutdown(300);
        delete poster;
        SetEvent(done);
    });
    if (WaitForSingleObject(done, 20000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "Shutdown waits for the hung listener";
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    ending.join();
    CloseHandle(done);
    EXPECT_TRUE(hanging->Events().empty());
}

TEST(EventPosterTest, ListenerCountStaysExactUnderConcurrentAdviseAndUnadvise) {
    RecordingDispatcher listener;
    EventPoster poster(listener);
    poster.SetAsyncEvents(true);
    EXPECT_EQ(poster.RemoveListener(), 0) << "never below 0";

    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                poster.AddListener();
                poster.PostOnPageSaving(i);
                poster.RemoveListener();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(poster.Listeners(), 0);

    // Whatever the interleaving was, a listener connecting now gets a running thread.
    poster.AddListener();
    const size_t before = listener.Events().size();
    poster.PostOnCancelJob();
    ASSERT_TRUE(listener.WaitForCount(before + 1));
    poster.Shutdown();
}

// The VARIANT is copied by value when the event is posted: neither freeing nor changing the
// poster's value afterwards reaches the listener, also for a value passed by reference.
TEST(EventPosterTest, QueuedSettingKeepsItsOwnCopyOfTheValue) {
    RecordingDispatcher listener(kOnStartJob);
    EventPoster poster(listener);
    poster.SetAsyncEvents(true);
    poster.AddListener();
    poster.PostOnStartJob(); // keeps the events thread busy until the values changed

    long number = 7;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_I4 | VT_BYREF;
    byRef.plVal = &number;
    poster.PostOnSettingChanged(L"Core", L"PrintTimeout", byRef);
    {
        ComVariant text(L"before");
        poster.PostOnSettingChanged(L"Text", L"Header", text);
    }
    number = 99;

    listener.OpenGate();
    ASSERT_TRUE(listener.WaitForCount(3));
    poster.Shutdown();
    std::vector<FiredEvent> events = listener.Events();
    EXPECT_EQ(events[1].args, (Args{L"BSTR Core", L"BSTR PrintTimeout", L"I4 7"}));
    EXPECT_EQ(events[2].args, (Args{L"BSTR Text", L"BSTR Header", L"BSTR before"}));
}

// What a thread posts inside a deferral reaches the listener when the outermost deferral of
// that poster ends, in posting order; other threads and other posters are not held back.
TEST(EventPosterTest, DeferredEventsGoOutWhenTheOutermostDeferralEnds) {
    RecordingDispatcher listener, otherListener;
    EventPoster poster(listener), other(otherListener);
    poster.AddListener();
    other.AddListener();
    {
        EventPoster::Deferral outer(poster);
        poster.PostOnPageRendered(0);
        {
            EventPoster::Deferral inner(poster);
            EventPoster::Deferral unrelated(other);
            poster.PostOnPageRendered(1);
            other.PostOnCancelJob();
        }
        EXPECT_EQ(otherListener.Events().size(), 1u) << "the other poster's deferral ended";
        std::thread elsewhere([&] { poster.PostOnUnload(); });
        elsewhere.join();
        ASSERT_EQ(listener.Events().size(), 1u) << "only the other thread's event went out";
        EXPECT_EQ(listener.Events()[0].dispid, kOnUnload);
        poster.PostOnPageRendered(2);
    }
    std::vector<FiredEvent> events = listener.Events();
    ASSERT_EQ(events.size(), 4u);
    for (int page = 0; page < 3; ++page) {
        EXPECT_EQ(events[page + 1].args, Args{L"I4 " + std::to_wstring(page)});
        EXPECT_EQ(events[page + 1].thread, GetCurrentThreadId());
    }
    poster.Shutdown();
    other.Shutdown();
}

class EventPosterLogTest : public testing::Test {
protected:
    void SetUp() override {
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", dir_.File(L"qlx.log"));
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName",
                       L"QLX_TEST_EVENTS_" + std::to_wstring(GetCurrentProcessId()));
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 1);
        LoadLogConfig();
    }
    void TearDown() override { UnloadLogConfig(); }
    std::string LogText() {
        UnloadLogConfig();
        std::string text;
        ReadWholeFile(dir_.File(L"qlx.log"), &text);
        return text;
    }

    TempDir dir_;
    TestProductKey key_;
};

// A VARIANT that can't be copied stands for a failed record copy: the event is dropped with a
// log line, the poster goes on, and so do the events after it.
TEST_F(EventPosterLogTest, FailedCopyDropsTheEventWithALogLine) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "queued" : "direct");
        RecordingDispatcher listener;
        EventPoster poster(listener);
        poster.SetAsyncEvents(async);
        poster.AddListener();

        VARIANT broken;
        VariantInit(&broken);
        broken.vt = 0x0fff; // no such type (and no flags): VariantCopy refuses it
        poster.PostOnSettingChanged(L"Core", L"Identity", broken);
        poster.PostOnPageRendered(7);
        poster.Shutdown();

        std::vector<FiredEvent> events = listener.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].dispid, kOnPageRendered);
    }
    std::string log = LogText();
    size_t first = log.find("C ERROR Event dropped, copy failed: 11 0x80020008");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_NE(log.find("C ERROR Event dropped, copy failed: 11", first + 1), std::string::npos)
        << "once per post\n"
        << log;
}

} // namespace
