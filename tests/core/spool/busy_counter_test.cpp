#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "busy_counter.h"

namespace {

bool IsSignalled(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

TEST(BusyCounter, SignalledOnlyWhileNobodyIsInside) {
    BusyCounter counter;
    ASSERT_TRUE(counter.Valid());
    EXPECT_TRUE(IsSignalled(counter.Event()));
    counter.Enter();
    counter.Enter();
    EXPECT_FALSE(IsSignalled(counter.Event()));
    EXPECT_EQ(counter.Count(), 2);
    counter.Leave();
    EXPECT_FALSE(IsSignalled(counter.Event())) << "one is still inside";
    counter.Leave();
    EXPECT_TRUE(IsSignalled(counter.Event()));
    EXPECT_EQ(counter.Count(), 0);
    // Manual reset: a wait does not consume the signal.
    EXPECT_TRUE(IsSignalled(counter.Event()));
}

TEST(BusyCounter, WaitReturnsAtOnceWhenIdleAndAfterTheLastLeaveOtherwise) {
    BusyCounter counter;
    counter.Wait(L"idle"); // must not block

    counter.Enter();
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        Sleep(20); // gives a wait that does not block the chance to return early
        finished = true;
        counter.Leave();
    });
    counter.Wait(L"waiting for the worker");
    EXPECT_TRUE(finished.load());
    worker.join();
}

TEST(BusyCounter, ManyThreadsEnteringAndLeavingEndSignalled) {
    BusyCounter counter;
    std::thread threads[8];
    for (auto& t : threads) {
        t = std::thread([&] {
            for (int i = 0; i < 2000; ++i) {
                BusyGuard guard(counter);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_TRUE(IsSignalled(counter.Event()));
}

// A worker that waits for its own kind does not wait for itself, only for the others.
TEST(BusyCounter, AThreadsOwnShareIsNotWaitedFor) {
    BusyCounter counter;
    counter.Enter(); // entered for the worker by its starter
    std::atomic<bool> otherLeft{false};
    counter.Enter(); // another worker
    std::thread other([&] {
        Sleep(50);
        otherLeft = true;
        counter.Leave();
    });
    std::thread worker([&] {
        HeldShare share(counter, HeldShare::kAdopt);
        EXPECT_EQ(counter.SharesOfThisThread(), 1);
        counter.Wait(L"own kind");
        EXPECT_TRUE(otherLeft.load());
        {
            BusyGuard nested(counter);
            EXPECT_EQ(counter.SharesOfThisThread(), 2);
            counter.Wait(L"own shares only"); // must not block
        }
    });
    worker.join();
    other.join();
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_EQ(counter.SharesOfThisThread(), 0);
    EXPECT_TRUE(counter.WaitFor(L"idle", 0));
    counter.Enter();
    EXPECT_FALSE(counter.WaitFor(L"bounded", 20)) << "someone else is inside";
    counter.Leave();
}

} // namespace
