#include <gtest/gtest.h>

#include <windows.h>

#include "job_id.h"
#include "job_objects.h"
#include "stub_watchdog.h"

namespace {

TEST(ParseJobId, TakesTheLeadingSignedDecimalNumber) {
    const struct {
        const wchar_t* line;
        long id;
        bool arguments;
    } rows[] = {
        {L"17", 17, true},
        {L"  17  ", 17, true},
        {L"17abc", 17, true},
        {L"-5", -5, true},
        {L"+8", 8, true},
        {L"abc", 0, true},
        {L"", 0, false},
        {L" \t", 0, false},
        {nullptr, 0, false},
        {L"2147483647", 2147483647, true},
        {L"99999999999999999999", 2147483647, true},
        {L"-99999999999999999999", -2147483647L - 1, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line ? testing::PrintToString(std::wstring(row.line)) : "null");
        EXPECT_EQ(ParseJobId(row.line), row.id);
        EXPECT_EQ(HasArguments(row.line), row.arguments);
    }
}

TEST(WatchdogMilliseconds, ZeroMeansTheDefaultAndHugeValuesStayBelowInfinite) {
    const struct {
        DWORD seconds;
        DWORD ms;
    } rows[] = {
        {0, 30000},
        {1, 1000},
        {30, 30000},
        {4294967, 4294967000u},
        {4294968, INFINITE - 1},
        {0xffffffff, INFINITE - 1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(WatchdogMilliseconds(row.seconds), row.ms) << row.seconds << " seconds";
}

TEST(JobObjects, NamesFollowTheirFormats) {
    EXPECT_EQ(JobEventName(L"qlx", 17), L"Global\\qlx_UL_Event_17");
    EXPECT_EQ(JobPipeName(L"qlx", -3), L"\\\\.\\pipe\\qlxpipe_-3");
    EXPECT_EQ(StubMutexName(L"qlx"), L"qlxstub_mutex");
    EXPECT_EQ(LoadObjectPrefix(nullptr), L"qlx") << "the test program has no string 2";
}

// The pipe admits one instance, and none at all once the name is taken.
TEST(JobObjects, TheJobsPipeIsTheFirstAndOnlyInstanceOfItsName) {
    const std::wstring name = JobPipeName(L"qlxtest", static_cast<long>(GetCurrentProcessId()));
    UniqueHandle pipe = CreateJobPipe(name);
    ASSERT_TRUE(pipe);
    SetLastError(0);
    UniqueHandle second = CreateJobPipe(name);
    EXPECT_FALSE(second);
    EXPECT_NE(GetLastError(), 0u);
}

TEST(JobObjects, TheStubMutexTellsWhetherAnotherRelayMadeIt) {
    const std::wstring name = L"qlxtest_" + std::to_wstring(GetCurrentProcessId()) + L"stub_mutex";
    bool existed = true;
    UniqueHandle first = CreateStubMutex(name, &existed);
    ASSERT_TRUE(first);
    EXPECT_FALSE(existed);
    UniqueHandle second = CreateStubMutex(name, &existed);
    ASSERT_TRUE(second);
    EXPECT_TRUE(existed);
}

} // namespace
