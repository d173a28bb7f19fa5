#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "file_transport_id.h"
#include "handle.h"
#include "fake_rendered_collection.h"
#include "file_transport_client.h"
#include "transport_events.h"
#include "temp_dir.h"

namespace {

using Events = std::vector<std::wstring>;
using Files = std::vector<std::wstring>;

const std::string kMark = "\xFF\xFE";
// The collection's pages as bytes of this code page (plain ASCII here), or as UTF-16LE.
constexpr long kAnsi = 1252;
constexpr long kUtf16 = 5;
// Never started: a save that reaches its post-processor shows it as this error.
const wchar_t kMissingProgram[] = L"Z:\\nonexistent-folder\\no-such-program.exe";
const wchar_t kLaunchFailed[] = L"error Cannot execute post-processor";

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// A freshly reset transport saving below a folder of its own, with the test's pages.
class FileSend : public testing::Test {
protected:
    void SetUp() override {
        plugin_ = CreateFileTransport();
        ASSERT_TRUE(plugin_);
        ASSERT_EQ(plugin_->ResetParams(), S_OK);
        events_ = std::make_unique<TransportEvents>(plugin_.Get(), kFileTransportName);
        ASSERT_TRUE(events_->Connected());
        SaveBelow(dir_.Path());
        pages_.pages = {L"one", L"two", L"three"};
        pages_.charset = kAnsi;
    }
    void TearDown() override { events_.reset(); }

    // Saves into folder\out from now on.
    void SaveBelow(const std::wstring& folder) {
        root_ = folder;
        out_ = folder + L"\\out";
        ASSERT_EQ(PutText(plugin_.Get(), L"path", out_), S_OK);
    }
    void Put(const wchar_t* name, const std::wstring& value) {
        ASSERT_EQ(PutText(plugin_.Get(), name, value), S_OK) << Narrow(name);
    }
    void Put(const wchar_t* name, long value) {
        ASSERT_EQ(PutLong(plugin_.Get(), name, value), S_OK) << Narrow(name);
    }
    HRESULT Send(long wholeJob, long page) { return plugin_->Send(&pages_, wholeJob, page); }
    Events TakeEvents() { return events_->Take(); }
    Files Written() const { return FilesBelow(root_); }
    std::string Bytes(const std::wstring& relative) const {
        return FileBytes(root_ + L"\\" + relative);
    }

    ComScope com_;
    TempDir dir_;
    FakeRenderedCollection pages_;
    ComPtr<IQLX_TPLUGIN> plugin_;
    std::unique_ptr<TransportEvents> events_;
    std::wstring root_, out_;
};

TEST_F(FileSend, AWholeJobGoesIntoOneFileWithProgressBeforeEachPage) {
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(Written(), Files{L"out\\report.txt"}) << "the missing folder is made";
    EXPECT_EQ(Bytes(L"out\\report.txt"), "onetwothree");
    EXPECT_EQ(TakeEvents(),
              (Events{L"progress 0", L"progress 33", L"progress 66", L"progress 100"}));
    EXPECT_EQ(pages_.itemsRead, (std::vector<long>{0, 1, 2}));
    // The folder and the name are expanded for the page, with file-name-safe dates.
    ASSERT_EQ(pages_.translations.size(), 2u);
    for (const FakeRenderedCollection::Translation& translation : pages_.translations) {
        EXPECT_EQ(translation.page, 1);
        EXPECT_EQ(translation.translateFlag, 1);
    }
    EXPECT_EQ(pages_.translations[0].input, out_);
    EXPECT_EQ(pages_.translations[1].input, L"{{DOCNAME}}.{{EXT}}");
    EXPECT_EQ(pages_.refs, 1) << "the collection is not kept";
}

TEST_F(FileSend, FolderAndNameJoinWithOneBackslashAndMissingFoldersAreMade) {
    struct {
        std::wstring folder; // below the row's own folder
        std::wstring filename;
        std::wstring written;
    } rows[] = {
        {L"out", L"a.txt", L"out\\a.txt"},
        {L"out\\", L"a.txt", L"out\\a.txt"},
        {L"out", L"\\a.txt", L"out\\a.txt"}, // what the file chooser leaves in the name box
        {L"out\\x\\y", L"a.txt", L"out\\x\\y\\a.txt"},
        {L"out", L"sub\\{{DOCNAME}}.{{EXT}}", L"out\\sub\\report.txt"},
        {L"out", L"{{DOCNAME}}", L"out\\report"},
    };
    for (const auto& row : rows) {
        TempDir rowDir;
        Put(L"path", rowDir.Path() + L"\\" + row.folder);
        Put(L"filename", row.filename);
        EXPECT_EQ(Send(1, 1), S_OK) << Narrow(row.filename);
        EXPECT_EQ(FilesBelow(rowDir.Path()), Files{row.written}) << Narrow(row.filename);
        EXPECT_EQ(FileBytes(rowDir.File(row.written)), "onetwothree") << Narrow(row.filename);
    }
}

TEST_F(FileSend, APageMacroGivesEachPageItsOwnFile) {
    Put(L"filename", L"{{DOCNAME}}-{{PAGE}}.{{EXT}}");
    pages_.unicode = 1;
    pages_.charset = kUtf16;
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(Written(), (Files{L"out\\report-1.txt", L"out\\report-2.txt", L"out\\report-3.txt"}));
    EXPECT_EQ(Bytes(L"out\\report-1.txt"), kMark + Utf16Bytes(L"one"));
    EXPECT_EQ(Bytes(L"out\\report-2.txt"), kMark + Utf16Bytes(L"two"));
    EXPECT_EQ(Bytes(L"out\\report-3.txt"), kMark + Utf16Bytes(L"three"));
    EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"progress 100", L"progress 0", L"progress 100",
                                    L"progress 0", L"progress 100"}));
    std::vector<long> translatedPages;
    for (const FakeRenderedCollection::Translation& translation : pages_.translations)
        translatedPages.push_back(translation.page);
    EXPECT_EQ(translatedPages, (std::vector<long>{1, 1, 2, 2, 3, 3}));

    // One page of the job: its file alone.
    TempDir single;
    SaveBelow(single.Path());
    ASSERT_EQ(Send(0, 2), S_OK);
    EXPECT_EQ(Written(), Files{L"out\\report-2.txt"});
    EXPECT_EQ(Bytes(L"out\\report-2.txt"), kMark + Utf16Bytes(L"two"));
}

TEST_F(FileSend, OnePageWithoutAPageMacroIsThatPageInTheJobsFile) {
    ASSERT_EQ(Send(0, 2), S_OK);
    EXPECT_EQ(Written(), Files{L"out\\report.txt"});
    EXPECT_EQ(Bytes(L"out\\report.txt"), "two");
    EXPECT_EQ(pages_.itemsRead, std::vector<long>{1});
    EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"progress 100"}));
}

TEST_F(FileSend, AppendAndByteOrderMarkRules) {
    enum class Before { kMissing, kEmpty, kText };
    struct {
        const char* row;
        long append;
        Before before;
        long unicode;
        std::string after;
    } rows[] = {
        {"new file", 0, Before::kMissing, 0, "P"},
        {"new file, Unicode", 0, Before::kMissing, 1, kMark + "P"},
        {"replaced", 0, Before::kText, 0, "P"},
        {"replaced, Unicode", 0, Before::kText, 1, kMark + "P"},
        {"replaced empty, Unicode", 0, Before::kEmpty, 1, kMark + "P"},
        {"appended to nothing", 1, Before::kMissing, 0, "P"},
        {"appended to nothing, Unicode", 1, Before::kMissing, 1, kMark + "P"},
        {"appended", 1, Before::kText, 0, "oldP"},
        {"appended, Unicode: no mark inside", 1, Before::kText, 1, "oldP"},
        {"appended to an empty file", 1, Before::kEmpty, 0, "P"},
        {"appended to an empty file, Unicode: it starts with the mark", 1, Before::kEmpty, 1,
         kMark + "P"},
        {"any non-zero appends", 5, Before::kText, 1, "oldP"},
    };
    pages_.pages = {L"P"};
    for (const auto& row : rows) {
        TempDir rowDir;
        const std::wstring file = rowDir.File(L"a.txt");
        if (row.before != Before::kMissing) {
            ASSERT_TRUE(WriteWholeFile(file, row.before == Before::kText ? "old" : "")) << row.row;
        }
        Put(L"path", rowDir.Path());
        Put(L"filename", L"a.txt");
        Put(L"append", row.append);
        pages_.unicode = row.unicode;
        EXPECT_EQ(Send(1, 1), S_OK) << row.row;
        EXPECT_EQ(FileBytes(file), row.after) << row.row;
    }
}

TEST_F(FileSend, AnEmptyJobStillMakesItsFile) {
    pages_.pages.clear();
    pages_.unicode = 1;
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(Bytes(L"out\\report.txt"), kMark);
    EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"progress 100"}));
}

TEST_F(FileSend, HostileDocumentNamesLeaveEveryFileInsideTheFolder) {
    struct {
        std::wstring docName;
        std::wstring written; // below the output folder
    } rows[] = {
        {L"..\\..\\x", L"x.txt"},
        {L"../../x", L"x.txt"},
        {L"C:\\Windows\\x", L"C_\\Windows\\x.txt"},
        {L"\\\\?\\C:\\x", L"_\\C_\\x.txt"},
        {L"\\\\server\\share\\x", L"server\\share\\x.txt"},
        {L"CON", L"_CON.txt"},
        {L"nul", L"_nul.txt"},
        {L"COM1", L"_COM1.txt"},
        {L"x:stream", L"x_stream.txt"},
        {L"q\"uo<te>|*?", L"q_uo_te____.txt"},
        {L"..", L"...txt"},
    };
    Put(L"open", 1);
    Put(L"exec", kMissingProgram);
    for (const auto& row : rows) {
        TempDir rowDir;
        SaveBelow(rowDir.Path());
        pages_.docName = row.docName;
        EXPECT_EQ(Send(1, 1), S_OK) << Narrow(row.docName);
        EXPECT_EQ(Written(), Files{L"out\\" + row.written}) << Narrow(row.docName);
        EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"progress 33", L"progress 66",
                                        L"progress 100", kLaunchFailed}))
            << Narrow(row.docName);
    }
    EXPECT_EQ(GetFileAttributesW(L"C:\\Windows\\x.txt"), INVALID_FILE_ATTRIBUTES);

    // A title of 300 characters is cut to fit the system's path limit, extension kept.
    TempDir longDir;
    SaveBelow(longDir.Path());
    pages_.docName = std::wstring(300, L't');
    ASSERT_EQ(Send(1, 1), S_OK);
    const Files written = Written();
    ASSERT_EQ(written.size(), 1u);
    const std::wstring path = longDir.Path() + L"\\" + written[0];
    EXPECT_EQ(path.size(), 259u);
    EXPECT_EQ(path.substr(0, out_.size() + 1), out_ + L"\\");
    EXPECT_EQ(path.substr(path.size() - 4), L".txt");

    // Each page's name is made safe on its own.
    TempDir perPage;
    SaveBelow(perPage.Path());
    Put(L"open", 0L);
    Put(L"filename", L"{{DOCNAME}}-{{PAGE}}.{{EXT}}");
    pages_.docName = L"..\\..\\x";
    ASSERT_EQ(Send(1, 1), S_OK);
    EXPECT_EQ(Written(), (Files{L"out\\x-1.txt", L"out\\x-2.txt", L"out\\x-3.txt"}));
}

TEST_F(FileSend, AFailureIsReportedEndsTheSaveAndRunsNoPostProcessor) {
    struct {
        const char* row;
        std::function<void(FakeRenderedCollection&)> arrange;
        Events events;
        std::string written; // the file's bytes, or "<missing>"
    } rows[] = {
        {"a page cannot be had",
         [](FakeRenderedCollection& p) { p.failItem = 1; },
         {L"progress 0", L"error GetPage"},
         "one"},
        {"a page without data",
         [](FakeRenderedCollection& p) { p.itemNotBytes = true; },
         {L"progress 0", L"error Access page data"},
         ""},
        {"a page with a null array",
         [](FakeRenderedCollection& p) { p.nullArrayItem = 0; },
         {L"progress 0", L"error Access page data"},
         ""},
        {"a page of two dimensions",
         [](FakeRenderedCollection& p) { p.twoDimensionItem = 2; },
         {L"progress 0", L"progress 33", L"error Access page data"},
         "onetwo"},
        {"the pages cannot be counted",
         [](FakeRenderedCollection& p) { p.failCount = true; },
         {L"error GetPage"},
         ""},
        {"the name cannot be expanded",
         [](FakeRenderedCollection& p) { p.failTranslate = true; },
         {L"error Create Output File"},
         "<missing>"},
    };
    Put(L"open", 1);
    Put(L"exec", kMissingProgram);
    for (const auto& row : rows) {
        FakeRenderedCollection pages({L"one", L"two", L"three"});
        pages.charset = kAnsi;
        row.arrange(pages);
        TempDir rowDir;
        Put(L"path", rowDir.Path());
        EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL) << row.row;
        EXPECT_EQ(TakeEvents(), row.events) << row.row;
        EXPECT_EQ(FileBytes(rowDir.File(L"report.txt")), row.written) << row.row;
    }
}

TEST_F(FileSend, AFileThatCannotBeMadeIsReported) {
    ASSERT_TRUE(WriteWholeFile(dir_.File(L"plain"), "x"));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"report.txt").c_str(), nullptr));
    struct {
        const char* row;
        std::wstring folder;
    } rows[] = {
        {"its folder lies below a file", dir_.File(L"plain") + L"\\sub"},
        {"a folder stands in its place", dir_.Path()},
    };
    for (const auto& row : rows) {
        Put(L"path", row.folder);
        EXPECT_EQ(Send(1, 1), E_FAIL) << row.row;
        EXPECT_EQ(TakeEvents(), Events{L"error Create Output File"}) << row.row;
    }
    EXPECT_EQ(pages_.itemsRead, std::vector<long>{});
}

TEST_F(FileSend, AFullDiskIsAFailedWriteNotADelivery) {
    // Wine's Z: drive shows the host's root, where /dev/full fails every write with ENOSPC.
    UniqueHandle probe(CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!probe)
        GTEST_SKIP() << "no /dev/full on this host: " << GetLastError();
    probe.Reset();
    Put(L"path", L"Z:\\dev");
    Put(L"filename", L"full");
    Put(L"open", 1);
    Put(L"exec", kMissingProgram);
    EXPECT_EQ(Send(1, 1), E_FAIL);
    EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"error WriteFile"}));
}

TEST_F(FileSend, PerPageTheFirstFailingPageEndsTheSave) {
    Put(L"filename", L"{{DOCNAME}}-{{PAGE}}.{{EXT}}");
    Put(L"open", 1);
    Put(L"exec", kMissingProgram);
    pages_.failItem = 1;
    EXPECT_EQ(Send(1, 1), E_FAIL);
    // The first file is written and its post-processor tried; the second is left as it was made.
    EXPECT_EQ(Written(), (Files{L"out\\report-1.txt", L"out\\report-2.txt"}));
    EXPECT_EQ(Bytes(L"out\\report-1.txt"), "one");
    EXPECT_EQ(Bytes(L"out\\report-2.txt"), "");
    EXPECT_EQ(TakeEvents(), (Events{L"progress 0", L"progress 100", kLaunchFailed, L"progress 0",
                                    L"error GetPage"}));
}

TEST_F(FileSend, MissingParametersStopTheSaveBeforeAnythingIsWritten) {
    struct {
        const char* row;
        const wchar_t* name;
        std::wstring text;
        long open;
    } rows[] = {
        {"no file name", L"filename", L"", 0},
        {"no folder", L"path", L"", 0},
        {"a post-processor without a program", L"exec", L"", 1},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(plugin_->ResetParams(), S_OK);
        Put(L"path", out_);
        Put(row.name, row.text);
        Put(L"open", row.open);
        EXPECT_EQ(Send(1, 1), E_FAIL) << row.row;
        EXPECT_EQ(TakeEvents(), Events{L"error Not enough parameters"}) << row.row;
    }
    EXPECT_EQ(Written(), Files{});
    EXPECT_TRUE(pages_.translations.empty());
    EXPECT_TRUE(pages_.itemsRead.empty());
}

TEST_F(FileSend, APageBeforeTheFirstIsRefused) {
    EXPECT_EQ(Send(0, 0), E_FAIL);
    EXPECT_EQ(TakeEvents(), Events{L"error GetPage"});
    EXPECT_EQ(plugin_->Send(nullptr, 1, 1), E_FAIL);
    EXPECT_EQ(TakeEvents(), Events{L"error GetPage"});
    EXPECT_EQ(Written(), Files{});
}

TEST(FileParams, DefaultsComeWithResetAndAFreshObjectHasNoTarget) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin = CreateFileTransport();
    ASSERT_TRUE(plugin);
    ComBstr name, layout;
    ASSERT_EQ(plugin->get_Name(&name), S_OK);
    ASSERT_EQ(plugin->get_Layout(&layout), S_OK);
    EXPECT_STREQ(name.c_str(), L"File");
    EXPECT_STREQ(layout.c_str(), L"Bpath,Bfilename,Bexec,Bparam,Lappend,Lhide,Lopen,Lwait");

    // Before the host pushes anything there is no folder and no name to save to.
    EXPECT_EQ(GetText(plugin.Get(), L"path"), L"");
    EXPECT_EQ(GetText(plugin.Get(), L"filename"), L"");
    FakeRenderedCollection pages;
    TransportEvents events(plugin.Get(), kFileTransportName);
    EXPECT_EQ(plugin->Send(&pages, 1, 1), E_FAIL);
    EXPECT_EQ(events.Take(), Events{L"error Not enough parameters"});

    ASSERT_EQ(PutLong(plugin.Get(), L"wait", 1), S_OK);
    ASSERT_EQ(plugin->ResetParams(), S_OK);
    const struct {
        const wchar_t* name;
        const wchar_t* value;
    } defaults[] = {
        {L"path", L"{{SYSFOLDER(PERSONAL)}}"},
        {L"filename", L"{{DOCNAME}}.{{EXT}}"},
        {L"exec", L""},
        {L"param", L""},
        {L"append", L"#0"},
        {L"hide", L"#0"},
        {L"open", L"#0"},
        {L"wait", L"#0"},
    };
    for (const auto& row : defaults)
        EXPECT_EQ(GetText(plugin.Get(), row.name), row.value) << Narrow(row.name);
    for (const wchar_t* unknown : {L"Path", L"file", L"exec ", L"docname"})
        EXPECT_EQ(GetText(plugin.Get(), unknown), L"hr=" + std::to_wstring(E_FAIL))
            << Narrow(unknown);
}

} // namespace
