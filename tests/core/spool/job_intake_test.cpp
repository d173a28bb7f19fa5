#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "failing_alloc.h"
#include "fake_engine.h"
#include "job_intake.h"
#include "log.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

// An intake wired to a fake engine whose spool folder is a fresh temporary folder.
class Intake : public testing::Test {
protected:
    Intake() : intake_(engine_) { engine_.spool_folder = dir_.Path() + L"\\"; }

    std::wstring JobFile(long job_id, const wchar_t* extension) const {
        wchar_t name[16];
        swprintf(name, 16, L"%05d%ls", static_cast<int>(job_id), extension);
        return dir_.File(name);
    }
    void StartJob(long job_id) {
        ASSERT_EQ(intake_.int_StartJob(L"Quorvane Text Printer", L"EMF", job_id, 600,
                                       L"Editor - letter.txt"),
                  S_OK);
    }
    SpoolJob* Front() { return intake_.job_list().Front(); }

    TempDir dir_;
    FakeEngine engine_;
    JobIntake intake_;
};

TEST_F(Intake, CapturesAJobWithItsPagesAndItems) {
    ASSERT_TRUE(WriteWholeFile(JobFile(9, L".spl"), "EMF DATA"));
    StartJob(9);
    EXPECT_EQ(engine_.open_job_calls, 1);
    SpoolJob* job = Front();
    ASSERT_NE(job, nullptr);
    long received = 0;
    EXPECT_TRUE(intake_.ReceivedJobId(&received));
    EXPECT_EQ(received, 9);
    EXPECT_EQ(job->Flags(), kJobStarted);
    EXPECT_STREQ(job->printer.c_str(), L"Quorvane Text Printer");
    EXPECT_STREQ(job->format.c_str(), L"EMF");
    EXPECT_STREQ(job->document.c_str(), L"Editor - letter.txt");
    EXPECT_EQ(job->dpi, 600);

    EXPECT_EQ(intake_.int_StartPage(4960, 7016), S_OK);
    EXPECT_EQ(intake_.int_Add(10, 20, 30, 40, L"Hello", L"Arial"), S_OK);
    EXPECT_EQ(intake_.int_Add(50, 20, 90, 40, nullptr, nullptr), S_OK);
    EXPECT_EQ(intake_.int_StartPage(100, 200), S_OK);
    ASSERT_EQ(job->PageCount(), 2u);
    EXPECT_TRUE(job->Page(0)->IsComplete());
    EXPECT_FALSE(job->Page(1)->IsComplete());
    EXPECT_EQ(job->Page(0)->width, 4960);
    EXPECT_EQ(job->Page(0)->height, 7016);
    ASSERT_EQ(job->Page(0)->ItemCount(), 2u);
    const TextItem* first = job->Page(0)->Item(0);
    EXPECT_EQ(first->x0, 10);
    EXPECT_EQ(first->y1, 40);
    EXPECT_STREQ(first->text.get(), L"Hello");
    EXPECT_STREQ(first->font.get(), L"Arial");
    EXPECT_EQ(job->Page(0)->Item(1)->text, nullptr);

    EXPECT_EQ(intake_.int_EndJob(), S_OK);
    EXPECT_FALSE(intake_.IsReceiving());
    EXPECT_EQ(job->Flags(), kJobStarted | kJobEnded);
    EXPECT_TRUE(job->Page(1)->IsComplete());
    EXPECT_FALSE(FileExists(JobFile(9, L".spl")));
    std::string data;
    EXPECT_TRUE(ReadWholeFile(job->spool_file.c_str(), &data));
    EXPECT_EQ(data, "EMF DATA");
    EXPECT_EQ(intake_.job_list().Count(), 1u) << "the job stays listed until it is closed";
}

TEST_F(Intake, WakesTheJobThreadOnlyForTheJobItProcesses) {
    struct {
        const char* row;
        long processing_job_id;
        long async_processing;
        int page_signals; // one for the page, one for the end
        int processing_waits;
    } rows[] = {
        {"another job is processed", 99, 0, 0, 0},
        {"this job, asynchronous", 5, 1, 2, 0},
        {"this job, synchronous", 5, 0, 2, 1},
    };
    for (const auto& row : rows) {
        FakeEngine engine;
        engine.spool_folder = dir_.Path() + L"\\";
        engine.processing_job_id = row.processing_job_id;
        engine.async_processing = row.async_processing;
        JobIntake intake(engine);
        ASSERT_EQ(intake.int_StartJob(L"p", L"EMF", 5, 600, L"d"), S_OK) << row.row;
        EXPECT_EQ(intake.int_StartPage(1, 1), S_OK) << row.row;
        EXPECT_EQ(intake.int_EndJob(), S_OK) << row.row;
        EXPECT_EQ(engine.page_signals, row.page_signals) << row.row;
        EXPECT_EQ(engine.processing_waits, row.processing_waits) << row.row;
    }
}

TEST_F(Intake, StartsTheUserInterfaceOnlyWhenNoneIsLoadedAndNoAutosave) {
    struct {
        const char* row;
        long ui_loaded;
        long autosave;
        long wait_ui_loaded;
        HRESULT start_ui_result;
        int start_ui_calls;
        int ui_checks; // the first check decides whether to start it; then one per wait step
    } rows[] = {
        {"interface loaded", 1, 0, 1, S_OK, 0, 1},
        {"autosave on", 0, 1, 1, S_OK, 0, 1},
        {"started, no wait", 0, 0, 0, S_OK, 1, 1},
        {"started, connects at the third step", 0, 0, 1, S_OK, 1, 4},
        {"start failed", 0, 0, 1, E_FAIL, 1, 1},
    };
    for (const auto& row : rows) {
        FakeEngine engine;
        engine.ui_loaded = row.ui_loaded;
        engine.autosave = row.autosave;
        engine.wait_ui_loaded = row.wait_ui_loaded;
        engine.start_ui_result = row.start_ui_result;
        engine.ui_connects_at_check = 3;
        JobIntake intake(engine);
        EXPECT_EQ(intake.int_StartJob(L"p", L"EMF", 1, 600, L"d"), S_OK) << row.row;
        EXPECT_EQ(engine.start_ui_calls, row.start_ui_calls) << row.row;
        EXPECT_EQ(engine.ui_checks, row.ui_checks) << row.row;
        EXPECT_EQ(intake.job_list().Count(), 1u) << row.row << ": the job is taken either way";
    }
}

TEST_F(Intake, FailedEngineStartChangesNothing) {
    ASSERT_TRUE(WriteWholeFile(JobFile(4, L".spl"), "DATA"));
    engine_.post_start_result = E_FAIL;
    EXPECT_EQ(intake_.int_StartJob(L"p", L"EMF", 4, 600, L"d"), E_FAIL);
    EXPECT_EQ(intake_.job_list().Count(), 0u);
    EXPECT_FALSE(intake_.IsReceiving());
    EXPECT_EQ(engine_.open_job_calls, 0);

    engine_.post_start_result = S_OK;
    StartJob(4);
    engine_.post_start_result = E_FAIL;
    EXPECT_EQ(intake_.int_StartPage(10, 10), E_FAIL);
    EXPECT_EQ(Front()->PageCount(), 0u);
    EXPECT_EQ(intake_.int_EndJob(), E_FAIL);
    EXPECT_TRUE(intake_.IsReceiving());
    EXPECT_EQ(Front()->Flags() & kJobEnded, 0u);
    EXPECT_TRUE(FileExists(JobFile(4, L".spl"))) << "the spool file is not touched";
    EXPECT_TRUE(Front()->spool_file.Empty());

    // Items need no engine start.
    engine_.post_start_result = S_OK;
    EXPECT_EQ(intake_.int_StartPage(10, 10), S_OK);
    engine_.post_start_result = E_FAIL;
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"x", L"f"), S_OK);
    EXPECT_EQ(Front()->Page(0)->ItemCount(), 1u);
}

TEST_F(Intake, CallsWithoutAJobOrPageAreIgnored) {
    EXPECT_EQ(intake_.int_StartPage(10, 10), S_OK);
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"x", L"f"), S_OK);
    EXPECT_EQ(intake_.int_EndJob(), S_OK);
    EXPECT_EQ(intake_.job_list().Count(), 0u);

    StartJob(2);
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"before any page", L"f"), S_OK);
    EXPECT_EQ(Front()->PageCount(), 0u);
    EXPECT_EQ(intake_.int_EndJob(), S_OK);
    EXPECT_EQ(intake_.int_EndJob(), S_OK) << "a second end has no job";
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"after the end", L"f"), S_OK);
    EXPECT_EQ(Front()->PageCount(), 0u);
}

TEST_F(Intake, IgnoredCallsAreLogged) {
    TestProductKey key;
    const std::wstring log_path = dir_.File(L"qlx.log");
    key.SetString(HKEY_LOCAL_MACHINE, L"LogFile", log_path);
    key.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName",
                  L"QLX_TEST_INTAKE_LOG_" + std::to_wstring(GetCurrentProcessId()));
    key.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 3);
    LoadLogConfig();
    EXPECT_EQ(intake_.int_StartPage(1, 1), S_OK);
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"x", L"f"), S_OK);
    EXPECT_EQ(intake_.int_EndJob(), S_OK);
    StartJob(6);
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"x", L"f"), S_OK);
    UnloadLogConfig();

    std::string log;
    ASSERT_TRUE(ReadWholeFile(log_path, &log));
    for (const char* line :
         {"CQLX::int_StartPage No job being received", "CQLX::int_Add No job being received",
          "CQLX::int_EndJob No job being received", "CQLX::int_Add No page started"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " missing from:\n" << log;
    }
}

TEST_F(Intake, CancelDuringCaptureLeavesNoDanglingJob) {
    StartJob(30);
    ASSERT_EQ(intake_.int_StartPage(100, 100), S_OK);
    ASSERT_EQ(intake_.int_Add(1, 2, 3, 4, L"first", L"f"), S_OK);

    // The job is closed (as a cancel closes it) while the driver still sends.
    intake_.job_list().PopFront();
    ASSERT_FALSE(intake_.IsReceiving());
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(intake_.int_Add(i, i, i + 1, i + 1, L"late", L"f"), S_OK) << "call " << i;
    EXPECT_EQ(intake_.int_StartPage(100, 100), S_OK);
    EXPECT_EQ(intake_.int_EndJob(), S_OK);
    EXPECT_EQ(intake_.job_list().Count(), 0u);

    ASSERT_TRUE(WriteWholeFile(JobFile(31, L".spl"), "NEXT"));
    StartJob(31);
    ASSERT_EQ(intake_.int_StartPage(100, 100), S_OK);
    ASSERT_EQ(intake_.int_Add(5, 6, 7, 8, L"next job", L"f"), S_OK);
    ASSERT_EQ(intake_.int_EndJob(), S_OK);
    SpoolJob* next = Front();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->job_id, 31);
    ASSERT_EQ(next->PageCount(), 1u);
    ASSERT_EQ(next->Page(0)->ItemCount(), 1u);
    EXPECT_STREQ(next->Page(0)->Item(0)->text.get(), L"next job");
    EXPECT_FALSE(next->spool_file.Empty());
    EXPECT_TRUE(FileExists(next->spool_file.c_str()));
}

TEST_F(Intake, CancelWhileItemsArriveOnAnotherThread) {
    StartJob(32);
    ASSERT_EQ(intake_.int_StartPage(100, 100), S_OK);
    std::atomic<int> failures{0};
    std::atomic<bool> started{false};
    std::thread driver([&] {
        for (int i = 0; i < 20000; ++i) {
            if (intake_.int_Add(i, 0, i + 1, 1, L"run", L"font") != S_OK)
                ++failures;
            started = true;
        }
    });
    while (!started)
        Sleep(0);
    intake_.job_list().PopFront();
    driver.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_FALSE(intake_.IsReceiving());
}

TEST_F(Intake, OutOfMemoryIsReturnedNotThrown) {
    FailingAlloc failing_job;
    EXPECT_EQ(intake_.int_StartJob(L"p", L"EMF", 1, 600, L"d"), E_OUTOFMEMORY);
    EXPECT_EQ(intake_.job_list().Count(), 0u);
}

TEST_F(Intake, OutOfMemoryForPagesAndItemsLeavesTheJobAsItWas) {
    StartJob(1);
    ASSERT_EQ(intake_.int_StartPage(1, 1), S_OK);
    {
        FailingAlloc failing;
        EXPECT_EQ(intake_.int_StartPage(2, 2), E_OUTOFMEMORY);
    }
    for (int allocation = 0; allocation < 3; ++allocation) {
        FailingAlloc failing(allocation);
        EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"text", L"font"), E_OUTOFMEMORY)
            << "failing allocation " << allocation;
    }
    ASSERT_EQ(Front()->PageCount(), 1u);
    EXPECT_FALSE(Front()->Page(0)->IsComplete());
    EXPECT_EQ(Front()->Page(0)->ItemCount(), 0u);
    EXPECT_EQ(intake_.int_Add(0, 0, 1, 1, L"text", L"font"), S_OK);
    EXPECT_EQ(Front()->Page(0)->ItemCount(), 1u);
}

TEST_F(Intake, FollowsPrinterChanges) {
    const std::wstring redirect_ok = L"ok";
    struct {
        const char* row;
        std::vector<std::wstring> own_before;
        std::vector<std::wstring> own_after;
        std::wstring current_before;
        std::wstring default_after; // as the enumeration leaves it
        HRESULT redirect_result;
        long posted;
        std::wstring current_after;
        std::vector<std::wstring> selected;
    } rows[] = {
        {"other printers changed",
         {L"A", L"B"},
         {L"B", L"A"},
         L"B",
         L"A",
         S_OK,
         kOtherPrintersChanged,
         L"B",
         {}},
        {"redirect printer vanished",
         {L"A"},
         {L"A"},
         L"A",
         L"A",
         E_FAIL,
         kRedirectPrinterChanged,
         L"A",
         {}},
        {"own printer added, current kept",
         {L"A"},
         {L"A", L"B"},
         L"B",
         L"A",
         S_OK,
         kOwnPrintersChanged,
         L"B",
         {}},
        {"current removed, default present",
         {L"A", L"B"},
         {L"A", L"C"},
         L"B",
         L"C",
         S_OK,
         kOwnPrintersChanged,
         L"C",
         {L"C"}},
        {"current removed, default gone",
         {L"A", L"B"},
         {L"C", L"D"},
         L"B",
         L"A",
         S_OK,
         kOwnPrintersChanged,
         L"C",
         {L"C"}},
        {"every own printer removed", {L"A"}, {}, L"A", L"A", S_OK, kOwnPrintersChanged, L"", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.row);
        FakeEngine engine;
        engine.own_printers = row.own_before;
        engine.own_printers_after_renewal = row.own_after;
        engine.current_printer = row.current_before;
        engine.current_after_renewal = row.default_after;
        engine.default_after_renewal = row.default_after;
        engine.redirect_result = row.redirect_result;
        JobIntake intake(engine);

        EXPECT_EQ(intake.int_AddRemovePrinter(), S_OK);
        EXPECT_EQ(engine.renewals, 1);
        EXPECT_EQ(engine.redirect_applications, 1);
        EXPECT_EQ(engine.posted_changes, std::vector<long>{row.posted});
        EXPECT_EQ(engine.transport_updates, std::vector<long>{kUpdatePrinters});
        EXPECT_EQ(engine.current_printer, row.current_after);
        EXPECT_EQ(engine.selected_printers, row.selected);
        if (!row.selected.empty()) {
            EXPECT_EQ(engine.default_own_printer, row.selected.front());
        }
    }
}

TEST_F(Intake, FollowsTheSystemDefaultPrinter) {
    EXPECT_EQ(intake_.int_DefaultPrinterChanged(L"Office Laser"), S_OK);
    EXPECT_EQ(engine_.system_default_printer, L"Office Laser");
    EXPECT_EQ(engine_.posted_changes, std::vector<long>{kDefaultPrinterChanged});
    EXPECT_EQ(engine_.transport_updates, std::vector<long>{kUpdateDefaultPrinter});
}

TEST_F(Intake, PrinterChangesDuringCaptureDoNothing) {
    StartJob(3);
    engine_.calls.clear();
    EXPECT_EQ(intake_.int_AddRemovePrinter(), S_OK);
    EXPECT_EQ(intake_.int_DefaultPrinterChanged(L"Office Laser"), S_OK);
    EXPECT_TRUE(engine_.calls.empty()) << testing::PrintToString(engine_.calls);
    EXPECT_EQ(engine_.system_default_printer, L"(never set)");

    ASSERT_EQ(intake_.int_EndJob(), S_OK);
    EXPECT_EQ(intake_.int_DefaultPrinterChanged(L"Office Laser"), S_OK);
    EXPECT_EQ(engine_.system_default_printer, L"Office Laser") << "after the capture it applies";
}

} // namespace
