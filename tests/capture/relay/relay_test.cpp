#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core_under_test.h"
#include "fake_engine.h"
#include "job_objects.h"
#include "relay_exit.h"
#include "relay_harness.h"
#include "server_test_support.h"

namespace {

// Short, so that the time-out rows do not take long; every other row sends its first message
// at once.
constexpr DWORD kTestPrintTimeoutSeconds = 2;

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

std::string StartJobCall(const std::string& printer, long job_id, const std::string& document) {
    return "int_StartJob(" + printer + ",NT EMF 1.008," + std::to_string(job_id) + ",600," +
           document + ")";
}

// The relay's tests over a core under test, with the relay's log in a file of the test.
class RelayTest : public testing::TestWithParam<CoreKind> {
protected:
    void SetUp() override {
        if (!FileThere(QLX_RELAY_PROGRAM)) {
            GTEST_SKIP() << "missing " << Narrow(QLX_RELAY_PROGRAM);
        }
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        core_ = GetParam().make();
        std::string why;
        ASSERT_TRUE(core_->Start(&why)) << why;
    }

    void TearDown() override {
        if (core_) {
            EXPECT_TRUE(core_->End()) << "the core ended and was unregistered";
        }
        core_.reset();
        if (initialized_)
            CoUninitialize();
    }

    // Starts a relay for the job and feeds it; returns its exit code.
    int RunJob(long job_id, std::vector<FeedStep> steps, DWORD pause_before_close_ms = 0) {
        RelayProcess relay(job_id);
        EXPECT_TRUE(relay.Started());
        EXPECT_TRUE(relay.SignalledEvent()) << "the relay sets the job's event";
        PipeFeeder feeder(job_id, std::move(steps), pause_before_close_ms);
        feeder.Start();
        const int code = relay.Wait();
        feeder.Join();
        return code;
    }

    MachineValue timeout_{L"PrintTimeout", kTestPrintTimeoutSeconds};
    ServerLog log_;
    bool initialized_ = false;
    std::unique_ptr<CoreUnderTest> core_;
};

struct StreamRow {
    const char* name;
    std::vector<FeedStep> steps;
    std::vector<std::string> calls;
    int exit_code;
    DWORD pause_before_close_ms = 0;
};

TEST_P(RelayTest, EachByteStreamGivesItsCallsAndExitCode) {
    constexpr long kJob = 4100;
    const std::string start = StartJobCall("Lettrix", kJob, "doc");
    const std::string page = "int_StartPage(4961,7016)";
    const std::string add = "int_Add(100,200,400,260,Hello \\u20AC,Arial)";
    const std::string end = "int_EndJob()";
    const Bytes startDoc = StartDocBytes(u"Lettrix", kJob);
    const Bytes startPage = StartPageBytes(4961, 7016);
    const Bytes item = TextItemBytes(100, 200, 400, 260, u"Hello \u20ac", u"Arial");
    const Bytes endDoc = EndDocBytes();
    const Bytes job = Joined({startDoc, startPage, item, endDoc});
    // A StartDoc whose strings never end.
    const Bytes noTerminator = {13, 0, 0, 0, 1, 'L', 0, 'e', 0, 't', 0, 't', 0};
    // A TextItem whose length leaves out its face name, and one that claims more than comes.
    Bytes shortLength = item;
    shortLength[0] = static_cast<uint8_t>(item.size() - 12);
    Bytes longLength = item;
    longLength[0] = static_cast<uint8_t>(item.size() + 40);
    const Bytes shortPage = {12, 0, 0, 0, 2, 1, 0, 0, 0, 2, 0, 0};
    const Bytes unknown = {5, 0, 0, 0, 9};
    const Bytes tooLong = {0x05, 0x10, 0, 0, 3};
    const Bytes cutItem(item.begin(), item.begin() + 20);

    const StreamRow rows[] = {
        {"a normal job", {{job}}, {start, page, add, end}, kRelayDelivered},
        {"a job written in pieces",
         {{Bytes(job.begin(), job.begin() + 3)},
          {Bytes(job.begin() + 3, job.begin() + 30), 200},
          {Bytes(job.begin() + 30, job.end() - 2), 200},
          {Bytes(job.end() - 2, job.end()), 200}},
         {start, page, add, end},
         kRelayDelivered},
        {"a job with no pages", {{Joined({startDoc, endDoc})}}, {start, end}, kRelayDelivered},
        {"a missing terminator", {{noTerminator}}, {}, kRelayBadMessage},
        {"a length shorter than the fields",
         {{Joined({startDoc, startPage, shortLength})}},
         {start, page},
         kRelayBadMessage},
        {"a length longer than what comes",
         {{Joined({startDoc, startPage, longLength})}},
         {start, page},
         kRelayReadFailed},
        {"a length above 4100", {{Joined({startDoc, tooLong})}}, {start}, kRelayBadMessage},
        {"a short StartPage",
         {{Joined({startDoc, shortPage, item, endDoc})}},
         {start},
         kRelayBadMessage},
        {"a TextItem before StartPage",
         {{Joined({startDoc, item, startPage, endDoc})}},
         {start},
         kRelayOutOfOrder},
        {"a second StartDoc",
         {{Joined({startDoc, startPage, startDoc, item, endDoc})}},
         {start, page},
         kRelayOutOfOrder},
        {"EndDoc first", {{endDoc}}, {}, kRelayOutOfOrder},
        {"an unknown command",
         {{Joined({startDoc, startPage, unknown, item, endDoc})}},
         {start, page},
         kRelayUnknownCommand},
        {"a message cut short",
         {{Joined({startDoc, startPage, cutItem})}},
         {start, page},
         kRelayReadFailed},
        {"the pipe closed before EndDoc",
         {{Joined({startDoc, startPage, item})}},
         {start, page, add},
         kRelayReadFailed},
        {"no message before the time-out",
         {},
         {},
         kRelayTimedOut,
         kTestPrintTimeoutSeconds * 1000 + 2000},
    };
    for (const StreamRow& row : rows) {
        SCOPED_TRACE(row.name);
        core_->Forget();
        const int code = RunJob(kJob, row.steps, row.pause_before_close_ms);
        EXPECT_EQ(code, row.exit_code);
        EXPECT_EQ(core_->Calls(), row.calls) << Lines(core_->Calls());
    }
    const std::string text = log_.Text();
    for (const char* line :
         {"O  info QLXSTUB::Pipename= \\\\.\\pipe\\qlxpipe_4100", "O  info QLXSTUB::Start",
          "O  info QLXSTUB::Start page", "O  info QLXSTUB::End", "O ERROR QLXSTUB::ReadFile failed",
          "O ERROR QLXSTUB::UNKNOWN COMMAND!!!",
          "O ERROR QLXSTUB::Bad message: a string has no terminator inside the message",
          "O ERROR QLXSTUB::Message out of order: a second StartDoc",
          "O ERROR QLXSTUB::Timeout waiting for command"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
}

// The rendering module never connects: the relay ends by its watchdog.
TEST_P(RelayTest, ARelayWhoseClientNeverComesEndsAfterPrintTimeout) {
    RelayProcess relay(4101);
    ASSERT_TRUE(relay.SignalledEvent());
    EXPECT_EQ(relay.Wait(), kRelayTimedOut);
    EXPECT_TRUE(core_->Calls().empty());
}

// A job queued behind one that takes longer than PrintTimeout waits for its turn, as long as
// its own first message came in time, and is delivered whole after the first.
TEST_P(RelayTest, TwoJobsGoOneAfterTheOtherEvenWhenTheFirstTakesLongerThanTheTimeOut) {
    const DWORD slow = (kTestPrintTimeoutSeconds + 2) * 1000;
    RelayProcess first(4201);
    ASSERT_TRUE(first.SignalledEvent());
    PipeFeeder firstFeeder(
        4201, {{Joined({StartDocBytes(u"Lettrix", 4201, u"first"), StartPageBytes(10, 20)})},
               {TextItemBytes(1, 2, 3, 4, u"one", u"F"), slow},
               {EndDocBytes()}});
    firstFeeder.Start();
    // The second relay starts once the first forwards.
    const std::string firstStart = StartJobCall("Lettrix", 4201, "first");
    for (int i = 0; i < 100 && core_->Calls().empty(); ++i)
        Sleep(100);
    ASSERT_FALSE(core_->Calls().empty());
    ASSERT_EQ(core_->Calls()[0], firstStart);

    RelayProcess second(4202);
    ASSERT_TRUE(second.SignalledEvent());
    PipeFeeder secondFeeder(
        4202, {{Joined({StartDocBytes(u"Lettrix", 4202, u"second"), StartPageBytes(10, 20),
                        TextItemBytes(5, 6, 7, 8, u"two", u"F"), EndDocBytes()})}});
    secondFeeder.Start();
    EXPECT_EQ(first.Wait(), kRelayDelivered);
    EXPECT_EQ(second.Wait(), kRelayDelivered);
    firstFeeder.Join();
    secondFeeder.Join();
    EXPECT_EQ(core_->Calls(), (std::vector<std::string>{firstStart, "int_StartPage(10,20)",
                                                        "int_Add(1,2,3,4,one,F)", "int_EndJob()",
                                                        StartJobCall("Lettrix", 4202, "second"),
                                                        "int_StartPage(10,20)",
                                                        "int_Add(5,6,7,8,two,F)", "int_EndJob()"}))
        << Lines(core_->Calls());
    EXPECT_NE(log_.Text().find("O  info QLXSTUB::Waiting for previous job"), std::string::npos)
        << log_.Text();
}

// A relay killed while it forwards leaves the mutex abandoned; the relay waiting for it takes
// it as its turn and delivers its job.
TEST_P(RelayTest, AJobWaitingForARelayKilledInItsTurnIsDelivered) {
    RelayProcess killed(4301);
    ASSERT_TRUE(killed.SignalledEvent());
    PipeFeeder stalled(4301, {{StartDocBytes(u"Lettrix", 4301, u"killed")}}, 5000);
    stalled.Start();
    for (int i = 0; i < 100 && core_->Calls().empty(); ++i)
        Sleep(100);
    ASSERT_EQ(core_->Calls().size(), 1u) << "the first relay forwards";

    RelayProcess waiting(4302);
    ASSERT_TRUE(waiting.SignalledEvent());
    PipeFeeder feeder(4302, {{Joined({StartDocBytes(u"Lettrix", 4302, u"next"), EndDocBytes()})}});
    feeder.Start();
    for (int i = 0; i < 100 && log_.Text().find("Waiting for previous job") == std::string::npos;
         ++i)
        Sleep(100);
    killed.Kill();
    EXPECT_EQ(waiting.Wait(), kRelayDelivered);
    feeder.Join();
    stalled.Join();
    EXPECT_EQ(core_->Calls(),
              (std::vector<std::string>{StartJobCall("Lettrix", 4301, "killed"),
                                        StartJobCall("Lettrix", 4302, "next"), "int_EndJob()"}));
    EXPECT_NE(log_.Text().find("O Warn  QLXSTUB::Previous job's relay ended without its mutex"),
              std::string::npos)
        << log_.Text();
}

struct RecordedItem {
    long x0, y0, x1, y1;
    std::string text, face;
};

// int_Add(x0,y0,x1,y1,text,face) with text and face free of commas.
bool ParseAdd(const std::string& line, RecordedItem* item) {
    if (line.rfind("int_Add(", 0) != 0 || line.back() != ')')
        return false;
    const std::string inner = line.substr(8, line.size() - 9);
    const size_t lastComma = inner.rfind(',');
    item->face = inner.substr(lastComma + 1);
    std::string head = inner.substr(0, lastComma);
    long* numbers[] = {&item->x0, &item->y0, &item->x1, &item->y1};
    for (long* number : numbers) {
        const size_t comma = head.find(',');
        *number = std::stol(head.substr(0, comma));
        head = head.substr(comma + 1);
    }
    item->text = head;
    return true;
}

TEST_P(RelayTest, AThreeThousandCharacterRunArrivesWholeSplitAcrossTextItems) {
    std::u16string run;
    std::string recorded;
    while (run.size() < 3000) {
        run += u"line ";
        recorded += "line ";
        if (run.size() % 7 == 3) {
            run += u"\U0001F4C4";
            recorded += "\\uD83D\\uDCC4";
        }
    }
    ASSERT_EQ(RunJob(4401, {{Joined({StartDocBytes(u"Lettrix", 4401), StartPageBytes(100, 100),
                                     TextItemBytes(50, 60, 30050, 90, run, u"Courier New"),
                                     EndDocBytes()})}}),
              kRelayDelivered);
    const std::vector<std::string> calls = core_->Calls();
    ASSERT_GE(calls.size(), 5u) << Lines(calls);
    std::string text;
    long x = 50;
    for (size_t i = 2; i + 1 < calls.size(); ++i) {
        RecordedItem item;
        ASSERT_TRUE(ParseAdd(calls[i], &item)) << calls[i];
        EXPECT_EQ(item.x0, x) << "the parts' boxes follow one another";
        EXPECT_EQ(item.y0, 60);
        EXPECT_EQ(item.y1, 90);
        EXPECT_EQ(item.face, "Courier New");
        EXPECT_EQ(item.text.rfind("\\uDC", 0), std::string::npos) << "no part starts inside a pair";
        x = item.x1;
        text += item.text;
    }
    EXPECT_EQ(x, 30050);
    EXPECT_GE(calls.size() - 3, 3u) << "split into at least three TextItems";
    EXPECT_EQ(text, recorded);
    EXPECT_EQ(calls.back(), "int_EndJob()");
}

// The core refuses the job: the relay forwards the rest all the same and says so.
TEST_P(RelayTest, AJobTheCoreRefusedEndsWithItsOwnExitCode) {
    if (!core_->RefusesUnknownPrinter()) {
        GTEST_SKIP() << "this core takes every printer";
    }
    const Bytes job = Joined({StartDocBytes(u"Unknown printer", 4501), EndDocBytes()});
    EXPECT_EQ(RunJob(4501, {{job}}), kRelayCoreFailed);
    EXPECT_EQ(core_->Calls(), (std::vector<std::string>{
                                  StartJobCall("Unknown printer", 4501, "doc"), "int_EndJob()"}));
    EXPECT_NE(log_.Text().find("O ERROR QLXSTUB::int_StartJob failed"), std::string::npos);
}

// A process that took the job's pipe name first gets nothing: the relay does not serve a
// second instance of it.
TEST_P(RelayTest, APipeNameTakenBeforeTheRelayEndsItWithoutServing) {
    UniqueHandle squatter(CreateNamedPipeW(JobPipeName(kDefaultObjectPrefix, 4601).c_str(),
                                           PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT,
                                           PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
    ASSERT_TRUE(squatter);
    RelayProcess relay(4601);
    EXPECT_EQ(relay.Wait(), kRelayPipeFailed);
    EXPECT_NE(log_.Text().find("O ERROR QLXSTUB::CreatePipe failed"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cores, RelayTest,
                         testing::Values(CoreKind{"RecordingCore", MakeRecordingCore}),
                         [](const testing::TestParamInfo<CoreKind>& info) {
                             return std::string(info.param.name);
                         });

// Without a core the job is read to its end and dropped, and the exit code says so.
TEST(RelayWithoutCore, ReadsTheJobDropsItAndSaysSo) {
    MachineValue timeout(L"PrintTimeout", kTestPrintTimeoutSeconds);
    ServerLog log;
    RelayProcess relay(4701);
    ASSERT_TRUE(relay.SignalledEvent());
    PipeFeeder feeder(4701, {{Joined({StartDocBytes(u"Lettrix", 4701), StartPageBytes(1, 2),
                                      TextItemBytes(1, 2, 3, 4, u"t", u"F"), EndDocBytes()})}});
    feeder.Start();
    EXPECT_EQ(relay.Wait(), kRelayNoCore);
    feeder.Join();
    EXPECT_EQ(feeder.Written(), 1u);
    const std::string text = log.Text();
    EXPECT_NE(text.find("A ERROR start_adapter QLX Core Spawning error"), std::string::npos)
        << text;
    EXPECT_NE(text.find("A ERROR DriverStartJob cannot start Core"), std::string::npos) << text;
    EXPECT_NE(text.find("O  info QLXSTUB::End"), std::string::npos) << text;
}

TEST(RelayWithoutCore, AnEmptyCommandLineEndsAtOnceWithoutAPipe) {
    ServerLog log;
    RelayProcess relay(4801, L"");
    EXPECT_EQ(relay.Wait(), kRelayNoJobId);
    EXPECT_FALSE(WaitNamedPipeW(JobPipeName(kDefaultObjectPrefix, 0).c_str(), 0));
    const std::string text = log.Text();
    EXPECT_NE(text.find("O ERROR QLXSTUB::Command line is empty"), std::string::npos) << text;
    EXPECT_EQ(text.find("Pipename"), std::string::npos) << text;
}

} // namespace
