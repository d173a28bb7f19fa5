#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_rendered_collection.h"
#include "file_transport_id.h"
#include "file_transport_client.h"
#include "transport_events.h"
#include "recorded_launches.h"
#include "temp_dir.h"
#include "transport_paths.h"

namespace {

using Args = std::vector<std::wstring>;
using Events = std::vector<std::wstring>;

// Whether any text given to TranslateString held this one.
bool Translated(const FakeRenderedCollection& pages, const std::wstring& part) {
    for (const FakeRenderedCollection::Translation& translation : pages.translations) {
        if (translation.input.find(part) != std::wstring::npos)
            return true;
    }
    return false;
}

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// A transport whose post-processor is the stand-in, recording into a file of the test's own.
class PostProcessorRun : public testing::Test {
protected:
    void SetUp() override {
        record_ = dir_.File(L"runs.rec");
        ASSERT_TRUE(RecordLaunchesInto(record_));
        plugin_ = CreateFileTransport();
        ASSERT_TRUE(plugin_);
        ASSERT_EQ(plugin_->ResetParams(), S_OK);
        events_ = std::make_unique<TransportEvents>(plugin_.Get(), kFileTransportName);
        ASSERT_TRUE(events_->Connected());
        out_ = dir_.File(L"out");
        Put(L"path", out_);
        Put(L"exec", QLX_ARGV_RECORDER);
        Put(L"open", 1);
        Put(L"wait", 1);
        pages_.pages = {L"one", L"two"};
        pages_.charset = 1252;
    }
    void TearDown() override { events_.reset(); }

    void Put(const wchar_t* name, const std::wstring& value) {
        ASSERT_EQ(PutText(plugin_.Get(), name, value), S_OK) << Narrow(name);
    }
    void Put(const wchar_t* name, long value) {
        ASSERT_EQ(PutLong(plugin_.Get(), name, value), S_OK) << Narrow(name);
    }
    HRESULT Send(long wholeJob, long page) { return plugin_->Send(&pages_, wholeJob, page); }
    // The runs recorded so far, and the record emptied for the next look.
    std::vector<RecordedLaunch> TakeRuns() {
        std::vector<RecordedLaunch> runs = ReadLaunches(record_);
        DeleteFileW(record_.c_str());
        return runs;
    }
    // Waits until count runs are recorded (they end on their own: no post-processor is waited
    // for here); gives up after 30 s.
    std::vector<RecordedLaunch> AwaitRuns(size_t count) {
        for (int i = 0; i < 3000 && ReadLaunches(record_).size() < count; ++i)
            Sleep(10);
        return TakeRuns();
    }

    ComScope com_;
    TempDir dir_;
    std::wstring record_, out_;
    FakeRenderedCollection pages_;
    ComPtr<IQLX_TPLUGIN> plugin_;
    std::unique_ptr<TransportEvents> events_;
};

TEST_F(PostProcessorRun, TheFileIsItsOneArgumentWhateverItsNameHolds) {
    struct {
        std::wstring docName;
        std::wstring file; // as written, below the output folder
    } rows[] = {
        {L"my report", L"my report.txt"},
        {L"a&b", L"a&b.txt"},
        {L"a & calc & b", L"a & calc & b.txt"},
        {L"100% %PATH% %%", L"100% %PATH% %%.txt"},
        {L"q\"uote\" & \"x", L"q_uote_ & _x.txt"},
        {L"{{JOB}} {{DOCNAME}}", L"{{JOB}} {{DOCNAME}}.txt"},
        {L"semi;colon,comma (1) ^caret 'single' `tick` !bang",
         L"semi;colon,comma (1) ^caret 'single' `tick` !bang.txt"},
        {L"\u00FCn\u00EFc\u00F6d\u00E9 \u2603", L"\u00FCn\u00EFc\u00F6d\u00E9 \u2603.txt"},
    };
    for (const auto& row : rows) {
        pages_.docName = row.docName;
        pages_.translations.clear();
        const std::wstring file = out_ + L"\\" + row.file;
        ASSERT_EQ(Send(1, 1), S_OK) << Narrow(row.docName);
        EXPECT_EQ(FileBytes(file), "onetwo") << Narrow(row.docName);
        const std::vector<RecordedLaunch> runs = TakeRuns();
        ASSERT_EQ(runs.size(), 1u) << Narrow(row.docName);
        EXPECT_EQ(runs[0].args, Args{file}) << Narrow(row.docName);
        // The path goes in after the expansion: the core never sees it as macro text.
        EXPECT_FALSE(Translated(pages_, row.file)) << Narrow(row.docName);
        EXPECT_EQ(events_->Take(), (Events{L"progress 0", L"progress 50", L"progress 100"}))
            << Narrow(row.docName);
        DeleteFileW(file.c_str());
    }
}

TEST_F(PostProcessorRun, ParametersComeFirstExpandedForEachFilesPage) {
    Put(L"filename", L"{{DOCNAME}}-{{PAGE}}.{{EXT}}");
    Put(L"param", L"-x \"page {{PAGE}}\"");
    ASSERT_EQ(Send(1, 1), S_OK);
    const std::vector<RecordedLaunch> runs = TakeRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].args, (Args{L"-x", L"page 1", out_ + L"\\report-1.txt"}));
    EXPECT_EQ(runs[1].args, (Args{L"-x", L"page 2", out_ + L"\\report-2.txt"}));
    // The program with file-name-safe dates, the parameters with the system's.
    std::vector<std::wstring> asked;
    for (const FakeRenderedCollection::Translation& t : pages_.translations) {
        if (t.input == QLX_ARGV_RECORDER || t.input == L"-x \"page {{PAGE}}\"")
            asked.push_back((t.input == QLX_ARGV_RECORDER ? L"exec" : L"param") +
                            std::wstring(L" page ") + std::to_wstring(t.page) + L" flag " +
                            std::to_wstring(t.translateFlag));
    }
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"exec page 1 flag 1", L"param page 1 flag 0",
                                                L"exec page 2 flag 1", L"param page 2 flag 0"}));
}

TEST_F(PostProcessorRun, RunsInTheProgramsFolderShownOrHidden) {
    struct {
        long hide;
        int show;
    } rows[] = {{0, SW_SHOWNORMAL}, {1, SW_HIDE}, {5, SW_HIDE}};
    for (const auto& row : rows) {
        Put(L"hide", row.hide);
        ASSERT_EQ(Send(1, 1), S_OK) << row.hide;
        const std::vector<RecordedLaunch> runs = TakeRuns();
        ASSERT_EQ(runs.size(), 1u) << row.hide;
        EXPECT_EQ(runs[0].show, row.show) << row.hide;
        EXPECT_EQ(runs[0].folder, QLX_ARGV_RECORDER_DIR) << row.hide;
    }

    // A program named without a folder runs in the current one.
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(QLX_ARGV_RECORDER_DIR));
    Put(L"exec", L"argv_recorder.exe");
    const HRESULT hr = Send(1, 1);
    SetCurrentDirectoryW(before);
    ASSERT_EQ(hr, S_OK);
    const std::vector<RecordedLaunch> runs = TakeRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].folder, QLX_ARGV_RECORDER_DIR);
}

TEST_F(PostProcessorRun, WaitsOnlyWhenAskedAndKeepsNoProcessHandle) {
    // The stand-in takes its time before it records.
    ASSERT_TRUE(SetEnvironmentVariableW(L"QLX_ARGV_DELAY_MS", L"300"));
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(TakeRuns().size(), 1u) << "waited for: its record is there when Send returns";

    Put(L"wait", 0L);
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(AwaitRuns(1).size(), 1u);
    // Every launch not waited for lets its process handle go all the same.
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    constexpr int kLaunches = 5;
    for (int i = 0; i < kLaunches; ++i)
        ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(AwaitRuns(kLaunches).size(), static_cast<size_t>(kLaunches));
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_LT(after, before + kLaunches) << "before " << before << ", after " << after;
}

TEST_F(PostProcessorRun, APostProcessorThatCannotStartIsReportedAndTheFileStays) {
    struct {
        const char* row;
        std::wstring exec;
        std::wstring param;
    } rows[] = {
        {"no such program", L"Z:\\nonexistent-folder\\no-such-program.exe", L""},
        {"no such program after expansion", L"{{DOCNAME}}-tool.exe", L""},
        {"parameters that leave a quote open", QLX_ARGV_RECORDER, L"-t \"open"},
    };
    for (const auto& row : rows) {
        Put(L"exec", row.exec);
        Put(L"param", row.param);
        EXPECT_EQ(Send(1, 1), S_OK) << row.row;
        EXPECT_EQ(events_->Take(), (Events{L"progress 0", L"progress 50", L"progress 100",
                                           L"error Cannot execute post-processor"}))
            << row.row;
        EXPECT_EQ(FileBytes(out_ + L"\\report.txt"), "onetwo") << row.row;
        EXPECT_EQ(TakeRuns().size(), 0u) << row.row;
    }
}

TEST_F(PostProcessorRun, AFileNotFullyWrittenGetsNoPostProcessor) {
    pages_.failItem = 1;
    EXPECT_EQ(Send(1, 1), E_FAIL);
    EXPECT_EQ(events_->Take(), (Events{L"progress 0", L"error GetPage"}));
    EXPECT_EQ(TakeRuns().size(), 0u);
}

} // namespace
