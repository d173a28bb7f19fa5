#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "handle.h"
#include "log.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

std::wstring UniqueMutexValue() {
    static LONG counter = 0;
    return L"QLX_TEST_LOG_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(InterlockedIncrement(&counter));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A configured log in a private key and folder; unloaded when the fixture goes.
class LogTest : public testing::Test {
protected:
    void Configure(DWORD level) {
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", LogPath());
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName", mutexValue_);
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", level);
    }
    void TearDown() override { UnloadLogConfig(); }

    std::wstring LogPath() const { return dir_.File(L"qlx.log"); }
    std::string LogText() const {
        std::string text;
        ReadWholeFile(LogPath(), &text);
        return text;
    }
    void WriteOneOfEach() {
        LogError(L'C', L"an error");
        LogWarn(L'S', L"a warning");
        LogInfo(L'L', L"some info");
    }

    TempDir dir_;
    TestProductKey key_;
    std::wstring mutexValue_ = UniqueMutexValue();
};

TEST_F(LogTest, LineFormatIsStampSourceLevelAndTextWithCrLf) {
    Configure(3);
    LoadLogConfig();
    LogErrorNum(L'C', L"CQLX::Init failed", -2147467259);
    LogInfoStr(L'U', L"Printer:", L"Quorvane Lettrix");
    UnloadLogConfig();

    std::string text = LogText();
    EXPECT_NE(text.find("\r\n"), std::string::npos) << "lines end in CR LF";
    std::vector<std::string> lines = Lines(text);
    const char* expected[] = {"C  info Registry Path: Software\\QuorvaneTest\\",
                              "C  info Config Loaded", "C ERROR CQLX::Init failed -2147467259",
                              "U  info Printer: Quorvane Lettrix", "C  info Config Unloaded"};
    ASSERT_EQ(lines.size(), std::size(expected)) << text;
    const std::regex stamp(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{3} : (.*)\r$)");
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, stamp)) << lines[i];
        EXPECT_EQ(match[1].str().rfind(expected[i], 0), 0u)
            << "line " << i << ": " << match[1].str() << "\nexpected: " << expected[i];
    }
}

struct LevelCase {
    DWORD level;
    bool error, warn, info;
};

TEST_F(LogTest, LevelAdmitsItsWordsAndTheOnesBelow) {
    const LevelCase cases[] = {{1, true, false, false},
                               {2, true, true, false},
                               {3, true, true, true},
                               {7, true, true, true}};
    for (const LevelCase& c : cases) {
        DeleteFileW(LogPath().c_str());
        Configure(c.level);
        LoadLogConfig();
        WriteOneOfEach();
        UnloadLogConfig();
        std::string text = LogText();
        EXPECT_EQ(text.find("C ERROR an error") != std::string::npos, c.error) << c.level;
        EXPECT_EQ(text.find("S Warn  a warning") != std::string::npos, c.warn) << c.level;
        EXPECT_EQ(text.find("L  info some info") != std::string::npos, c.info) << c.level;
    }
}

TEST_F(LogTest, LevelZeroOrMissingOpensNothing) {
    for (bool missing : {true, false}) {
        if (missing)
            key_.Delete(HKEY_LOCAL_MACHINE, L"LogLevel");
        else
            Configure(0);
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", LogPath());
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName", mutexValue_);
        LoadLogConfig();
        EXPECT_EQ(LogLevel(), 0u);
        LogLine(LOG_FMT, L'C', kLogError, L"nothing");
        EXPECT_FALSE(FileExists(LogPath()));
        UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + mutexValue_).c_str()));
        EXPECT_FALSE(mutex.Valid()) << "no mutex is created without a log";
    }
}

TEST_F(LogTest, MutexNameIsPrefixAndValue) {
    Configure(1);
    LoadLogConfig();
    UniqueHandle mine(OpenMutexW(SYNCHRONIZE, FALSE, (L"Global\\" + mutexValue_).c_str()));
    EXPECT_TRUE(mine.Valid());
    UnloadLogConfig();

    // The default value carries the prefix itself, and gets it once more.
    key_.Delete(HKEY_LOCAL_MACHINE, L"LogMutexName");
    LoadLogConfig();
    UniqueHandle doubled(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\Global\\QLX_LOG_MUTEX"));
    EXPECT_TRUE(doubled.Valid());
}

TEST_F(LogTest, AfterUnloadNothingIsWritten) {
    Configure(3);
    LoadLogConfig();
    UnloadLogConfig();
    EXPECT_EQ(LogLevel(), 0u);
    const std::string before = LogText();
    LogError(L'C', L"late line");
    LogLine(LOG_FMT, L'C', kLogError, L"late line");
    EXPECT_EQ(LogText(), before);
}

TEST_F(LogTest, LoadingTwiceReplacesTheFirstConfiguration) {
    Configure(3);
    LoadLogConfig();
    const std::wstring second = dir_.File(L"second.log");
    key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", second);
    LoadLogConfig();
    LogError(L'C', L"goes to the second");
    UnloadLogConfig();
    // The first file was closed (it can be deleted) and holds its own unload line.
    EXPECT_NE(LogText().find("Config Unloaded"), std::string::npos);
    EXPECT_TRUE(DeleteFileW(LogPath().c_str()));
    std::string text;
    ReadWholeFile(second, &text);
    EXPECT_NE(text.find("goes to the second"), std::string::npos);
}

TEST_F(LogTest, HeldMutexDropsTheLineAfterTheWait) {
    Configure(1);
    LoadLogConfig();
    UniqueHandle mutex(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, (L"Global\\" + mutexValue_).c_str()));
    ASSERT_TRUE(mutex.Valid());
    // Held by another thread: this thread's waits would otherwise succeed recursively.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        WaitForSingleObject(mutex.Get(), INFINITE);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex.Get());
    });
    WaitForSingleObject(held, INFINITE);
    const ULONGLONG start = GetTickCount64();
    LogError(L'C', L"dropped line");
    const ULONGLONG waited = GetTickCount64() - start;
    SetEvent(release);
    holder.join();
    LogError(L'C', L"written line");
    UnloadLogConfig();
    CloseHandle(held);
    CloseHandle(release);

    EXPECT_GE(waited, 900u);
    EXPECT_EQ(LogText().find("dropped line"), std::string::npos);
    EXPECT_NE(LogText().find("written line"), std::string::npos);
}

TEST_F(LogTest, UnloadWhileOtherThreadsWriteIsSafe) {
    Configure(3);
    LoadLogConfig();
    std::atomic<bool> stop{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&] {
            while (!stop)
                LogInfo(L'C', L"busy writer");
        });
    for (int i = 0; i < 50; ++i) {
        UnloadLogConfig();
        LoadLogConfig();
    }
    stop = true;
    for (std::thread& w : writers)
        w.join();
    UnloadLogConfig();
    // Every line is whole.
    for (const std::string& line : Lines(LogText()))
        EXPECT_TRUE(line.find(" : C  info ") == 23 && line.back() == '\r') << line;
}

QLX_TEST_CHILD(log_writer) {
    // argv: product key path, tag, line count
    TestProductKey key(argv[0]);
    LoadLogConfig();
    const int count = _wtoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        wchar_t text[64];
        swprintf(text, 64, L"%ls line %d", argv[1], i);
        LogInfo(L'O', text);
    }
    UnloadLogConfig();
    return 0;
}

TEST_F(LogTest, TwoProcessesWritingAtOnceLoseAndMixNothing) {
    Configure(3);
    const int kLines = 300;
    UniqueHandle a = StartChild(L"log_writer", key_.Path() + L" first " + std::to_wstring(kLines));
    UniqueHandle b = StartChild(L"log_writer", key_.Path() + L" second " + std::to_wstring(kLines));
    ASSERT_TRUE(a.Valid() && b.Valid());
    EXPECT_EQ(WaitChild(a.Get()), 0);
    EXPECT_EQ(WaitChild(b.Get()), 0);

    std::set<std::string> seen;
    const std::regex line(
        R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{3} : O  info (first|second) line (\d+)\r$)");
    for (const std::string& text : Lines(LogText())) {
        if (text.find(" O ") == std::string::npos)
            continue;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, line)) << "mixed or broken line: " << text;
        EXPECT_TRUE(seen.insert(m[1].str() + m[2].str()).second) << "twice: " << text;
    }
    EXPECT_EQ(seen.size(), 2u * kLines);
}

} // namespace
