#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core_under_test.h"
#include "fake_engine.h"
#include "server_test_support.h"
#include "temp_dir.h"

namespace {

// qlxsend, the demo's sender of a job written as runs, against the recording core.
class SendTest : public testing::Test {
protected:
    void SetUp() override {
        if (!FileThere(QLX_SEND_PROGRAM)) {
            GTEST_SKIP() << "missing " << Narrow(QLX_SEND_PROGRAM);
        }
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        core_ = MakeRecordingCore();
        std::string why;
        ASSERT_TRUE(core_->Start(&why)) << why;
    }

    void TearDown() override {
        if (core_) {
            EXPECT_TRUE(core_->End());
        }
        core_.reset();
        if (initialized_)
            CoUninitialize();
    }

    int Send(const std::string& runs, const std::wstring& options) {
        const std::wstring file = dir_.File(L"job.runs");
        EXPECT_TRUE(WriteWholeFile(file, runs));
        return RunProgram(Quoted(QLX_SEND_PROGRAM) + L" " + options + L" \"" + file + L"\"");
    }

    TempDir dir_;
    bool initialized_ = false;
    std::unique_ptr<CoreUnderTest> core_;
};

TEST_F(SendTest, EveryPageAndRunReachesTheCoreInOrderAsOftenAsAsked) {
    const std::string runs = "document Report\n"
                             "dpi 600\n"
                             "page 100 200\n"
                             "1 2 3 4 Courier New|caf\xC3\xA9\n"
                             "page\n"
                             "5 6 7 8 F|two\n";
    ASSERT_EQ(Send(runs, L"--printer Lettrix --job 77 --repeat 2"), 0);
    const std::vector<std::string> page = {"int_StartPage(100,200)",
                                           "int_Add(1,2,4,6,caf\\u00E9,Courier New)",
                                           "int_StartPage(5100,6600)", "int_Add(5,6,12,14,two,F)"};
    std::vector<std::string> expected = {"int_StartJob(Lettrix,RAW,77,600,Report)"};
    expected.insert(expected.end(), page.begin(), page.end());
    expected.insert(expected.end(), page.begin(), page.end());
    expected.push_back("int_EndJob()");
    EXPECT_EQ(core_->Calls(), expected);
}

TEST_F(SendTest, AFaultyFileSendsNothingAndARefusedJobStopsAtItsStart) {
    EXPECT_EQ(Send("page\n1 2 3|no\n", L""), 2);
    EXPECT_TRUE(core_->Calls().empty());
    EXPECT_EQ(Send("", L"--bogus"), 2);
    EXPECT_TRUE(core_->Calls().empty());

    EXPECT_EQ(Send("page\n1 2 3 4 F|x\n",
                   std::wstring(L"--printer \"") + kFakeEngineRefusedPrinter + L"\""),
              1);
    ASSERT_EQ(core_->Calls().size(), 1u);
    EXPECT_EQ(core_->Calls()[0].rfind("int_StartJob(Unknown printer,RAW,1,300,job.runs)", 0), 0u);
}

} // namespace
