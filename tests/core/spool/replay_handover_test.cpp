#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "busy_counter.h"
#include "replay_handover.h"

namespace {

// A job as the replay and the job thread see it, and the events the listener received.
struct Job {
    std::mutex mutex;
    long pages = 0;
    bool rendered = false;
    std::vector<std::string> events;

    long Pages() {
        std::lock_guard<std::mutex> hold(mutex);
        return pages;
    }
    bool Rendered() {
        std::lock_guard<std::mutex> hold(mutex);
        return rendered;
    }
    void Post(const std::string& event) {
        std::lock_guard<std::mutex> hold(mutex);
        events.push_back(event);
    }
    size_t Count(const std::string& event) {
        std::lock_guard<std::mutex> hold(mutex);
        size_t n = 0;
        for (const std::string& e : events)
            n += e == event;
        return n;
    }
};

// What the engine's replay does: every page, then "all rendered" once the job is, until the
// hand-over lets it end.
void Replay(ReplayHandover& handover, Job& job) {
    long next = 0;
    bool allPosted = false;
    for (;;) {
        while (next < job.Pages())
            job.Post("page " + std::to_string(next++));
        bool postAll = false;
        const bool ended = handover.EndReplayIfCaughtUp([&] {
            if (next < job.Pages())
                return false;
            postAll = job.Rendered() && !allPosted;
            return !postAll;
        });
        if (ended)
            return;
        if (postAll) {
            job.Post("all");
            allPosted = true;
        }
    }
}

void RenderPage(ReplayHandover& handover, Job& job) {
    long index = -1;
    if (handover.Publish([&] {
            std::lock_guard<std::mutex> hold(job.mutex);
            index = job.pages++;
        }))
        job.Post("page " + std::to_string(index));
}

void EndRendering(ReplayHandover& handover, Job& job) {
    if (handover.Publish([&] {
            std::lock_guard<std::mutex> hold(job.mutex);
            job.rendered = true;
        }))
        job.Post("all");
}

// The job is completely rendered after the replay looked for the last time and before it
// ended: the replay must not end without posting what the job thread held back.
TEST(ReplayHandover, WhatIsHeldBackDuringTheReplayIsPostedByIt) {
    BusyCounter replays;
    ReplayHandover handover(replays);
    Job job;
    RenderPage(handover, job);
    handover.BeginReplay();
    EXPECT_EQ(replays.Count(), 1);
    job.Post("page 0"); // the replay's pass over the pages
    RenderPage(handover, job);
    EndRendering(handover, job);
    EXPECT_EQ(job.events, (std::vector<std::string>{"page 0", "page 0"}))
        << "the job thread holds back while a replay runs";

    // The replay's check finds both and stays counted until it posted them.
    Replay(handover, job);
    EXPECT_EQ(replays.Count(), 0);
    EXPECT_EQ(job.Count("page 1"), 1u);
    EXPECT_EQ(job.Count("all"), 1u);

    // Once the replay ended, the job thread posts again.
    RenderPage(handover, job);
    EXPECT_EQ(job.Count("page 2"), 1u);
}

// The two sides race: whichever way they meet, each event reaches the listener exactly once
// from whichever side, or more than once only because the replay repeats earlier pages.
TEST(ReplayHandover, NoEventIsLostWhateverTheInterleaving) {
    constexpr long kPages = 3;
    for (int round = 0; round < 500; ++round) {
        BusyCounter replays;
        ReplayHandover handover(replays);
        Job job;
        std::atomic<bool> go{false};
        std::thread renderer([&] {
            while (!go)
                std::this_thread::yield();
            for (long page = 0; page < kPages; ++page)
                RenderPage(handover, job);
            EndRendering(handover, job);
        });
        handover.BeginReplay();
        go = true;
        Replay(handover, job);
        renderer.join();
        ASSERT_EQ(job.Count("all"), 1u) << "round " << round;
        for (long page = 0; page < kPages; ++page)
            ASSERT_GE(job.Count("page " + std::to_string(page)), 1u) << "round " << round;
        ASSERT_EQ(replays.Count(), 0);
    }
}

} // namespace
