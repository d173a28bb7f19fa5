#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine_in_process.h"
#include "handle.h"

namespace {

// Bounds every wait of these tests far below ctest's limit; a wait that runs out is a hang.
constexpr DWORD kHangMs = 20000;

class JobProcessing : public EngineInProcess {
protected:
    // The lines of the job's events, errors and cancels, in order.
    std::vector<std::wstring> JobEvents(EventRecorder* recorder) {
        return recorder->Lines(
            {kOnStartJob, kOnError, kOnPageRendered, kOnAllPagesRendered, kOnCancelJob});
    }
    LONG TotalJobs() {
        LONG count = -1;
        EXPECT_EQ(engine_->get_TotalJobs(&count), S_OK);
        return count;
    }
    // Waits (bounded) until the engine holds that many jobs.
    bool WaitForJobs(LONG count) {
        const ULONGLONG end = GetTickCount64() + kHangMs;
        while (TotalJobs() != count) {
            if (GetTickCount64() >= end)
                return false;
            Sleep(10);
        }
        return true;
    }
    // Waits (bounded) until the lines of these ids reach count.
    static bool WaitForLines(EventRecorder* recorder, std::initializer_list<DISPID> ids,
                             size_t count) {
        const ULONGLONG end = GetTickCount64() + kHangMs;
        while (recorder->Lines(ids).size() < count) {
            if (GetTickCount64() >= end)
                return false;
            Sleep(10);
        }
        return true;
    }
    // Runs body on a thread of its own; a body that does not end in time ends the test
    // program, since its thread can't be joined.
    template <class Body> static void WithinBound(const char* what, Body body) {
        UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::thread runner([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            body();
            CoUninitialize();
            SetEvent(done.Get());
        });
        if (WaitForSingleObject(done.Get(), kHangMs) != WAIT_OBJECT_0) {
            ADD_FAILURE() << what << " hangs";
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        runner.join();
    }
    // The spool files that the intake renamed (process id and counter).
    std::vector<std::wstring> RenamedSpoolFiles() const {
        std::vector<std::wstring> renamed;
        for (const std::wstring& name : SpoolFiles())
            if (name.find(L'_') != std::wstring::npos)
                renamed.push_back(name);
        return renamed;
    }
};

TEST_F(JobProcessing, PagesAreRenderedInOrderAsTheyAreCaptured) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    // A page without runs takes its place as an empty text, without the format's calls.
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a", L"b"}, {}, {L"c"}}, true, L"Editor - q3.final.txt"));
    EXPECT_EQ(plugins_.Format()->Rendered(), (std::vector<std::wstring>{L"0:a|b", L"2:c"}));
    EXPECT_EQ(JobEvents(recorder), JobLines(3));
    EXPECT_EQ(plugins_.Format()->Value(L"docname"), L"q3.final");
    // Rendered and kept open for the user interface to save (Autosave 0).
    EXPECT_EQ(TotalJobs(), 1);
    EXPECT_EQ(RenamedSpoolFiles().size(), 1u);
    EXPECT_TRUE(Engine().JobRenderedForTests());
}

TEST_F(JobProcessing, AJobIsRenderedWhileItIsStillBeingCaptured) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}, false));
    // The first page is complete once the second started; the second waits for the end.
    ASSERT_TRUE(WaitForLines(recorder, {kOnPageRendered}, 1));
    EXPECT_EQ(recorder->Lines({kOnPageRendered}), std::vector<std::wstring>{L"3(0)"});
    ASSERT_EQ(Driver()->int_EndJob(), S_OK);
    EXPECT_EQ(JobEvents(recorder), JobLines(2));
}

TEST_F(JobProcessing, AJobWithoutTextIsReportedEmptyAndDroppedWithItsFiles) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(6, {{}, {}}, true, L"blank.txt"));
    ASSERT_TRUE(WaitForJobs(0));
    ASSERT_TRUE(WaitForLines(recorder, {kOnCancelJob}, 1));
    EXPECT_EQ(JobEvents(recorder),
              (std::vector<std::wstring>{
                  L"1", L"3(0)", L"3(1)", L"4",
                  L"2(18,Empty job - will be cancelled automatically: blank)", L"7"}));
    EXPECT_TRUE(plugins_.Format()->Rendered().empty());
    EXPECT_TRUE(RenamedSpoolFiles().empty());
}

// A capture that stalls is dropped after PrintTimeout with its error, and the next job goes
// through.
TEST_F(JobProcessing, AStuckJobIsDroppedAfterTheTimeOutAndTheNextGoesThrough) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"PrintTimeout", 1);
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(7, {{L"stalled"}}, false, L"stuck.txt"));
    ASSERT_TRUE(WaitForLines(recorder, {kOnCancelJob}, 1));
    ASSERT_TRUE(WaitForJobs(0));
    EXPECT_EQ(JobEvents(recorder),
              (std::vector<std::wstring>{
                  L"1", L"2(40,Stuck job - will be cancelled automatically: stuck)", L"7"}));
    // Its later calls find no job and are ignored; the next job renders.
    EXPECT_EQ(Driver()->int_EndJob(), S_OK);
    recorder->Clear();
    ASSERT_NO_FATAL_FAILURE(Capture(8, {{L"next"}}));
    EXPECT_EQ(JobEvents(recorder), JobLines(1));
    EXPECT_EQ(plugins_.Format()->Rendered().back(), L"0:next");
}

TEST_F(JobProcessing, CancelAllJobsWhileJobsWaitAndOneRendersLeavesNoJobNorFile) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    // The first job's page never completes: its thread waits for the capture.
    ASSERT_NO_FATAL_FAILURE(Capture(10, {{L"rendering"}}, false));
    for (long id = 11; id <= 15; ++id)
        ASSERT_NO_FATAL_FAILURE(Capture(id, {{L"queued"}}));
    EXPECT_EQ(TotalJobs(), 6);
    EXPECT_EQ(RenamedSpoolFiles().size(), 5u);
    WithinBound("CancelAllJobs", [&] { EXPECT_EQ(engine_->CancelAllJobs(), S_OK); });
    EXPECT_EQ(TotalJobs(), 0);
    EXPECT_TRUE(RenamedSpoolFiles().empty());
    EXPECT_EQ(recorder->Lines({kOnCancelJob}), std::vector<std::wstring>{L"7"});
    // The engine goes on with the next job.
    recorder->Clear();
    ASSERT_NO_FATAL_FAILURE(Capture(16, {{L"after"}}));
    EXPECT_EQ(JobEvents(recorder), JobLines(1));
}

// Many cancels at once (one from inside the cancel's own event) close one job: the next job
// is opened and stays.
TEST_F(JobProcessing, CancelsAtOnceCloseOneJob) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(20, {{L"first"}}));
    ASSERT_NO_FATAL_FAILURE(Capture(21, {{L"second"}}));
    ASSERT_EQ(TotalJobs(), 2);

    constexpr int kCallers = 8;
    std::atomic<int> returned{0};
    std::atomic<HRESULT> fromEvent{E_PENDING};
    static thread_local bool caller = false;
    // The first cancel's event holds it up until every other caller has returned (a
    // CancelJobWait that won runs the cancel, and so this event, on its own thread).
    recorder->SetReaction([&] {
        const std::vector<ReceivedEvent> events = recorder->Events();
        if (events.back().dispid != kOnCancelJob)
            return;
        fromEvent = engine_->CancelJobWait();
        const int others = caller ? kCallers - 1 : kCallers;
        const ULONGLONG end = GetTickCount64() + kHangMs / 2;
        while (returned < others && GetTickCount64() < end)
            Sleep(5);
    });
    WithinBound("cancels", [&] {
        std::vector<std::thread> callers;
        for (int i = 0; i < kCallers; ++i)
            callers.emplace_back([&, i] {
                caller = true;
                CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                EXPECT_EQ(i % 2 ? engine_->CancelJob() : engine_->CancelJobWait(), S_OK);
                ++returned;
                CoUninitialize();
            });
        for (std::thread& caller : callers)
            caller.join();
    });
    ASSERT_TRUE(WaitForLines(recorder, {kOnPageRendered}, 2)) << "the second job renders";
    EXPECT_EQ(fromEvent.load(), S_OK);
    recorder->SetReaction(nullptr);
    EXPECT_EQ(TotalJobs(), 1);
    EXPECT_EQ(recorder->Lines({kOnCancelJob}).size(), 1u);
}

// A synchronous listener that unadvises from the cancel's event runs on the cancel thread;
// the engine's stop check must not wait for that cancel.
TEST_F(JobProcessing, AListenerThatUnadvisesFromOnCancelJobDoesNotHangTheEngine) {
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    const DWORD cookie = Advise(sink);
    ASSERT_NO_FATAL_FAILURE(Capture(30, {{L"text"}}));
    std::atomic<HRESULT> unadvised{E_PENDING};
    UniqueHandle gone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    recorder->SetReaction([&] {
        if (recorder->Events().back().dispid != kOnCancelJob)
            return;
        unadvised = Unadvise(cookie);
        SetEvent(gone.Get());
    });
    ASSERT_EQ(engine_->CancelJob(), S_OK);
    ASSERT_EQ(WaitForSingleObject(gone.Get(), kHangMs), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(unadvised.load(), S_OK);
    WithinBound("the cancel's end", [&] { Engine().CancelCounter().Wait(L"test"); });
    EXPECT_EQ(TotalJobs(), 0);
    EXPECT_FALSE(Engine().PluginSinksConnected()) << "the last listener left with no job";
    // The engine takes the next job.
    ASSERT_NO_FATAL_FAILURE(Capture(31, {{L"next"}}));
    EXPECT_EQ(plugins_.Format()->Rendered().back(), L"0:next");
}

// Stop while a job waits for its capture: the job thread is woken and nothing is released
// under it; the job stays pending and a new start renders it once its capture ends.
TEST_F(JobProcessing, StopWhileAJobRendersKeepsItForTheNextStart) {
    // Long enough that a Stop waiting for the capture's time-out would be seen to hang.
    key_.SetDword(HKEY_LOCAL_MACHINE, L"PrintTimeout", 600);
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(40, {{L"waiting"}}, false));
    ASSERT_TRUE(WaitForLines(recorder, {kOnStartJob}, 1));
    WithinBound("Stop", [&] { EXPECT_EQ(engine_->Stop(), S_OK); });
    EXPECT_EQ(TotalJobs(), 1);

    recorder->Clear();
    plugins_.Format()->ClearRendered();
    ASSERT_EQ(Driver()->int_StartPage(1000, 1400), S_OK);
    ASSERT_EQ(Driver()->int_Add(0, 0, 10, 10, ComBstr(L"more"), nullptr), S_OK);
    WithinBound("the end of the capture", [&] { EXPECT_EQ(Driver()->int_EndJob(), S_OK); });
    ASSERT_TRUE(WaitForLines(recorder, {kOnAllPagesRendered}, 1));
    EXPECT_EQ(plugins_.Format()->Rendered(), (std::vector<std::wstring>{L"0:waiting", L"1:more"}));
    EXPECT_EQ(JobEvents(recorder), JobLines(2));
}

// Stop while a cancel of the rendering job runs: the Stop waits for the cancel, which drops
// the job; the engine then starts again for the next one.
TEST_F(JobProcessing, StopWhileACancelRunsThenStartsAgain) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"PrintTimeout", 600);
    ASSERT_EQ(Create(), S_OK);
    EventRecorder* recorder = StartListening();
    ASSERT_NO_FATAL_FAILURE(Capture(50, {{L"waiting"}}, false));
    ASSERT_TRUE(WaitForLines(recorder, {kOnStartJob}, 1));
    UniqueHandle inCancel(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    recorder->SetReaction([&] {
        if (recorder->Events().back().dispid != kOnCancelJob)
            return;
        SetEvent(inCancel.Get());
        Sleep(300); // the Stop comes in while the cancel is still running
    });
    ASSERT_EQ(engine_->CancelJob(), S_OK);
    ASSERT_EQ(WaitForSingleObject(inCancel.Get(), kHangMs), static_cast<DWORD>(WAIT_OBJECT_0));
    WithinBound("Stop", [&] { EXPECT_EQ(engine_->Stop(), S_OK); });
    recorder->SetReaction(nullptr);
    EXPECT_EQ(TotalJobs(), 0);

    recorder->Clear();
    ASSERT_NO_FATAL_FAILURE(Capture(51, {{L"next"}}));
    EXPECT_EQ(JobEvents(recorder), JobLines(1));
    EXPECT_EQ(plugins_.Format()->Rendered().back(), L"0:next");
}

} // namespace
