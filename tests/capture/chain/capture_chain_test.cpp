// The whole capture chain under Wine: a document laid out by the printing program, played by
// the driver host on the rendering module, forwarded by the relay (or, without a job event,
// by the module itself) to the recording core.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core_under_test.h"
#include "host_runner.h"
#include "job_objects.h"
#include "machine_string.h"
#include "relay_harness.h"
#include "server_test_support.h"
#include "temp_dir.h"
#include "test_printers.h"

namespace {

// The driver host's exit codes the tests look for.
constexpr int kHostPlayed = 0;
constexpr int kHostRelayFailed = 6;

constexpr wchar_t kPrinter[] = L"Quorvane Lettrix";

struct Item {
    long x0, y0, x1, y1;
    std::string text;
    std::string face;
};

// int_Add(x0,y0,x1,y1,text,face): the text may hold commas, the face does not.
bool ParseItem(const std::string& call, Item* item) {
    if (call.rfind("int_Add(", 0) != 0 || call.back() != ')')
        return false;
    const std::string body = call.substr(8, call.size() - 9);
    long* numbers[] = {&item->x0, &item->y0, &item->x1, &item->y1};
    size_t at = 0;
    for (long* number : numbers) {
        const size_t comma = body.find(',', at);
        if (comma == std::string::npos)
            return false;
        *number = std::stol(body.substr(at, comma - at));
        at = comma + 1;
    }
    const size_t last = body.rfind(',');
    if (last == std::string::npos || last < at)
        return false;
    item->text = body.substr(at, last - at);
    item->face = body.substr(last + 1);
    return true;
}

std::vector<std::wstring> WordsOf(const std::vector<Item>& items) {
    std::wstring text;
    for (const Item& item : items)
        text += std::wstring(item.text.begin(), item.text.end()) + L" ";
    return Words(text);
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

size_t Count(const std::vector<std::string>& calls, const std::string& call) {
    size_t n = 0;
    for (const std::string& c : calls)
        n += c == call;
    return n;
}

class CaptureChainTest : public testing::Test {
protected:
    void SetUp() override {
        if (!FileThere(DrvHostFile(L"qlxnt_hosted.dll").c_str()))
            GTEST_SKIP() << "the driver tree is not built";
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
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

    std::vector<std::wstring> Print(const std::wstring& text, const std::wstring& options = L"",
                                    const wchar_t* name = L"document.txt") {
        const std::wstring document = dir_.File(name);
        EXPECT_TRUE(WriteTextFile(document, text));
        return PrintDocument(document, dir_.File(L"pages"), options);
    }

    // Plays the pages on the rendering module; with relay set, each job gets its relay as the
    // driver UI module starts it. The calls the core received.
    std::vector<std::string> Capture(const std::vector<std::wstring>& pages,
                                     const std::wstring& options, bool relay,
                                     int expected_exit = kHostPlayed) {
        core_->Forget();
        std::wstring line = options;
        if (relay)
            line += L" --relay " + Quoted(QLX_RELAY_PROGRAM);
        std::string output;
        EXPECT_EQ(expected_exit, RunHost(DrvHostFile(L"qlxnt_hosted.dll"), line, pages, &output))
            << output;
        return core_->Calls();
    }

    // The same with the driver UI module in the host's process, which plays the printing
    // program: the module starts each job's relay from the product's folder.
    std::vector<std::string> CaptureThroughUiModule(const std::vector<std::wstring>& pages,
                                                    const std::wstring& options,
                                                    const std::wstring& driver_folder) {
        MachineString folder(L"DriverPath", driver_folder);
        return Capture(pages, options + L" --ui-module " + Quoted(QLX_DRVUI_MODULE), false);
    }

    static std::vector<Item> Items(const std::vector<std::string>& calls) {
        std::vector<Item> items;
        for (const std::string& call : calls) {
            Item item;
            if (ParseItem(call, &item))
                items.push_back(item);
        }
        return items;
    }

    // Short, so that a relay left without its document ends soon.
    MachineValue timeout_{L"PrintTimeout", 10};
    ServerLog log_;
    TempDir dir_;
    bool initialized_ = false;
    std::unique_ptr<CoreUnderTest> core_;
};

const wchar_t kTable[] = L"Name\tCity\tCountry\nAda\tLondon\tEngland\nAlan\tWilmslow\tEngland\n";

TEST_F(CaptureChainTest, AMultiPageDocumentArrivesInOrderSplitOnlyAtGaps) {
    const std::wstring text = NumberedWords(1300, 60) + kTable;
    const std::vector<std::wstring> pages = Print(text);
    ASSERT_GE(pages.size(), 3u);

    for (bool relay : {true, false}) {
        SCOPED_TRACE(relay ? "pipe mode" : "direct mode");
        const std::vector<std::string> calls =
            Capture(pages, L"--job 5101 --document Report", relay);
        ASSERT_GE(calls.size(), 3u) << Joined(calls);
        EXPECT_EQ("int_StartJob(Quorvane Lettrix,NT EMF 1.008,5101,300,Report)", calls.front());
        EXPECT_EQ("int_EndJob()", calls.back());
        EXPECT_EQ(pages.size(), Count(calls, "int_StartPage(2550,3300)"));

        const std::vector<Item> items = Items(calls);
        EXPECT_EQ(Words(text), WordsOf(items));
        // A line of words without gaps is one item: no two items share a line but the
        // table's, whose rows are split at their tab stops.
        size_t table_items = 0;
        for (size_t i = 1; i < items.size(); ++i) {
            if (items[i].y0 == items[i - 1].y0) {
                ++table_items;
                EXPECT_GT(items[i].x0, items[i - 1].x1) << items[i].text;
            }
        }
        EXPECT_EQ(6u, table_items) << "three rows of three columns";
        const Item& country = items[items.size() - 7];
        EXPECT_EQ("Country", country.text);
        EXPECT_EQ("DejaVu Serif", country.face);
    }
}

TEST_F(CaptureChainTest, AMonospacedPageHasItsWordsAndBoxesRight) {
    const std::vector<std::wstring> pages =
        Print(L"mono spaced line\nab\tcd\n", L"--font \"DejaVu Sans Mono\"");
    ASSERT_EQ(1u, pages.size());
    const std::vector<Item> items = Items(Capture(pages, L"", true));
    ASSERT_EQ(3u, items.size());

    // The font as the page has it: 12 points at 300 dots per inch.
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-50, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             L"DejaVu Sans Mono");
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW m = {};
    GetTextMetricsW(dc, &m);
    SIZE one = {};
    GetTextExtentPoint32W(dc, L"m", 1, &one);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    const long cw = one.cx, line = m.tmHeight + m.tmExternalLeading;

    struct Expected {
        const char* text;
        long x0, x1, top;
    };
    const Expected expected[] = {
        {"mono spaced line", 300, 300 + 16 * cw, 300},
        {"ab ", 300, 300 + 3 * cw, 300 + line},
        {"cd", 450, 450 + 2 * cw, 300 + line},
    };
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(expected[i].text, items[i].text) << i;
        EXPECT_EQ(expected[i].x0, items[i].x0) << items[i].text;
        EXPECT_EQ(expected[i].x1, items[i].x1) << items[i].text;
        EXPECT_EQ(expected[i].top, items[i].y0) << items[i].text;
        EXPECT_EQ(expected[i].top + m.tmAscent + m.tmDescent, items[i].y1) << items[i].text;
        EXPECT_EQ("DejaVu Sans Mono", items[i].face);
    }
}

TEST_F(CaptureChainTest, AnRtfDocumentKeepsItsRunsApart) {
    const std::wstring rtf = L"{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}\\f0\\fs24 "
                             L"{\\pard plain {\\b bold} plain\\par}}";
    const std::vector<std::wstring> pages = Print(rtf, L"", L"styled.rtf");
    const std::vector<Item> items = Items(Capture(pages, L"", true));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ("plain ", items[0].text);
    EXPECT_EQ("bold", items[1].text);
    EXPECT_EQ(" plain", items[2].text);
    EXPECT_EQ(items[0].x1, items[1].x0);
}

TEST_F(CaptureChainTest, GlyphIndexTextIsMappedBackOnThePrintersContext) {
    OwnPrinter printer(kPrinter);
    ASSERT_EQ(S_OK, printer.Result());
    const std::wstring text = L"Glyphs \u00e9t\u00e9 ok\n" + std::wstring(kTable);
    const std::vector<std::wstring> pages = Print(text, L"--glyph-indices");
    const std::vector<Item> items = Items(Capture(pages, L"", false));
    EXPECT_EQ(Words(L"Glyphs \\u00E9t\\u00E9 ok " + std::wstring(kTable)), WordsOf(items));
}

TEST_F(CaptureChainTest, AGlyphTheMapDoesNotKnowKeepsTheRestOfItsRun) {
    OwnPrinter printer(kPrinter);
    ASSERT_EQ(S_OK, printer.Result());
    // A character the font lacks is printed with its missing-glyph glyph.
    const std::vector<std::wstring> pages = Print(L"before\u4e00after\n", L"--glyph-indices");
    const std::vector<Item> items = Items(Capture(pages, L"", false));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ("before\\uFFFDafter", items[0].text);
}

TEST_F(CaptureChainTest, AGlyphMapThatCouldNotBeBuiltIsTriedAgainByTheNextDocument) {
    OwnPrinter printer(kPrinter);
    ASSERT_EQ(S_OK, printer.Result());
    const std::vector<std::wstring> pages = Print(L"mapped again\n", L"--glyph-indices");
    // Two documents in one spooler process: the first one's printer has no context to map
    // its glyphs on; the second one's has, and its text arrives. (Should the second one map
    // the font first, the first one finds that map: its text may arrive too.)
    const std::vector<std::string> calls = Capture(
        pages, L"--printer \"No Such Printer\" --job 5501 --second-job 5502 \"Quorvane Lettrix\"",
        true);
    std::string job;
    std::vector<std::string> texts;
    for (const std::string& call : calls) {
        if (call.rfind("int_StartJob(", 0) == 0)
            job = call;
        Item item;
        if (ParseItem(call, &item))
            texts.push_back(job.substr(13, job.find(',') - 13) + ": " + item.text);
    }
    const std::string mapped = "Quorvane Lettrix: mapped again";
    const std::string found_first = "No Such Printer: mapped again";
    EXPECT_TRUE(texts == std::vector<std::string>{mapped} ||
                texts == (std::vector<std::string>{mapped, found_first}) ||
                texts == (std::vector<std::string>{found_first, mapped}))
        << Joined(calls);
    EXPECT_EQ(2u, Count(calls, "int_EndJob()")) << "both jobs arrive whole";
    if (texts.size() == 1) {
        EXPECT_NE(std::string::npos, log_.Text().find("TextOut::CreateDC"));
    }
}

// The driver host's faults: none crashes the module, and each ends as it should.
TEST_F(CaptureChainTest, FaultsEndAsTheyShould) {
    const std::vector<std::wstring> pages = Print(std::wstring(L"before the table\n") + kTable);
    const std::vector<std::wstring> glyph_pages = [&] {
        TempDir other;
        const std::wstring document = other.File(L"glyphs.txt");
        WriteTextFile(document, L"glyphs\n");
        return PrintDocument(document, dir_.File(L"glyph_pages"), L"--glyph-indices");
    }();
    OwnPrinter printer(kPrinter);
    ASSERT_EQ(S_OK, printer.Result());

    const std::string start = "int_StartJob(Quorvane Lettrix,NT EMF 1.008,1,300,Document)";
    struct Row {
        const char* name;
        std::wstring options;
        bool glyphs;
        // What the calls must hold: the first call, the number of items, whether the job ends.
        std::string first;
        size_t items;
        bool ends;
        const char* log; // a line the log must hold, or null
    };
    const Row rows[] = {
        {"no print server", L"--fault print-server", false, "", 0, false, "StartDoc::OpenPrinter"},
        {"no job information", L"--fault job-info", false, "", 0, false, "StartDoc::GetJob"},
        {"no printer or data type", L"--fault null-job-strings", false,
         "int_StartJob(,,1,300,Document)", 10, true, nullptr},
        {"no document name", L"--fault null-document", false,
         "int_StartJob(Quorvane Lettrix,NT EMF 1.008,1,300,)", 10, true, nullptr},
        {"resolution only at enable", L"--fault devmode-without-resolution", false, start, 10, true,
         nullptr},
        {"positions fail", L"--fault enumeration --positions enumerated", false, start, 4, true,
         nullptr},
        {"positions in batches", L"--positions batches", false, start, 4, true, nullptr},
        {"positions enumerated", L"--positions enumerated", false, start, 10, true, nullptr},
        {"a short last batch of positions", L"--fault short-positions --positions enumerated",
         false, start, 4, true, nullptr},
        {"advances fail", L"--fault advances", false, start, 4, true, nullptr},
        {"no font metrics", L"--fault no-metrics", false, start, 0, true, nullptr},
        {"no glyph set for glyphs", L"--fault no-glyph-set", true, start, 0, true,
         "TextOut: no glyph map for"},
        {"no glyph set for characters", L"--fault no-glyph-set", false, start, 10, true, nullptr},
        {"a glyph set that lies", L"--fault lying-glyph-set", true, start, 1, true, nullptr},
        {"aborted document", L"--fault abort", false, start, 10, false, "EndDoc aborted"},
        {"second start ignored", L"--fault second-start", false, start, 10, true, nullptr},
        {"device reset after a page", L"--reset-after-page 1", false, start, 10, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<std::string> calls =
            Capture(row.glyphs ? glyph_pages : pages, row.options, false);
        if (row.first.empty()) {
            EXPECT_TRUE(calls.empty()) << Joined(calls);
        } else {
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(row.first, calls.front());
            EXPECT_EQ(1u, Count(calls, calls.front())) << "one job";
            EXPECT_EQ(row.items, Items(calls).size()) << Joined(calls);
            EXPECT_EQ(row.ends, calls.back() == "int_EndJob()") << Joined(calls);
        }
        if (row.log) {
            EXPECT_NE(std::string::npos, log_.Text().find(row.log));
        }
    }
}

TEST_F(CaptureChainTest, TheSplitThresholdDecidesWhatCountsAsAGap) {
    const std::vector<std::wstring> pages = Print(kTable);
    EXPECT_EQ(9u, Items(Capture(pages, L"", false)).size()) << "split at the tab stops";
    // A tab's gap is some eight times its space's advance: under 1000 percent.
    MachineValue threshold(L"SplitThreshold", 1000);
    const std::vector<Item> items = Items(Capture(pages, L"", false));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ("Name City Country", items[0].text);
}

TEST_F(CaptureChainTest, EveryDocumentStartResetsTheSeparatorAndRawJobEvents) {
    const std::vector<std::wstring> pages = Print(L"events\n");
    UniqueHandle separator(CreateEventW(nullptr, TRUE, TRUE, L"QLX_Separator_Event"));
    UniqueHandle raw(CreateEventW(nullptr, TRUE, TRUE, L"QLX_RAWJob_Event"));
    ASSERT_TRUE(separator.Valid() && raw.Valid());
    EXPECT_FALSE(Items(Capture(pages, L"", false)).empty());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(separator.Get(), 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(raw.Get(), 0));
}

// The next document on the same device starts afresh after one that was not captured.
TEST_F(CaptureChainTest, ADocumentAfterOneThatWasNotCapturedIsCaptured) {
    const std::vector<std::wstring> pages = Print(std::wstring(L"after\n") + kTable);
    for (const wchar_t* fault : {L"print-server", L"job-info"}) {
        SCOPED_TRACE(std::string(fault, fault + wcslen(fault)));
        const std::vector<std::string> calls =
            Capture(pages, std::wstring(L"--job 7001 --repeat 2 --fault ") + fault, false);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ("int_StartJob(Quorvane Lettrix,NT EMF 1.008,7002,300,Document)", calls.front());
        EXPECT_EQ(1u, Count(calls, calls.front()));
        EXPECT_EQ(10u, Items(calls).size());
        EXPECT_EQ("int_EndJob()", calls.back());
    }
}

TEST_F(CaptureChainTest, AnAbortedDocumentEndsNoJobThroughTheRelay) {
    const std::vector<std::wstring> pages = Print(L"aborted\n");
    const std::vector<std::string> calls = Capture(pages, L"--fault abort", true, kHostRelayFailed);
    ASSERT_EQ(3u, calls.size()) << Joined(calls);
    EXPECT_EQ("int_Add", calls[2].substr(0, 7));
}

TEST_F(CaptureChainTest, TwoPrintersJobsInOneSpoolerStayApart) {
    const std::vector<std::wstring> pages = Print(NumberedWords(120, 60));
    const std::vector<std::string> calls =
        Capture(pages, L"--job 5301 --second-job 5302 \"Second Printer\"", true);
    std::vector<std::vector<std::string>> jobs;
    for (const std::string& call : calls) {
        if (call.rfind("int_StartJob(", 0) == 0)
            jobs.emplace_back();
        ASSERT_FALSE(jobs.empty()) << Joined(calls);
        jobs.back().push_back(call);
    }
    ASSERT_EQ(2u, jobs.size()) << "the relays forward one job after the other";
    bool first_seen = false, second_seen = false;
    for (const std::vector<std::string>& job : jobs) {
        first_seen |=
            job.front() == "int_StartJob(Quorvane Lettrix,NT EMF 1.008,5301,300,Document)";
        second_seen |= job.front() == "int_StartJob(Second Printer,NT EMF 1.008,5302,300,Document)";
        EXPECT_EQ("int_EndJob()", job.back());
        EXPECT_EQ(Words(NumberedWords(120, 60)), WordsOf(Items(job)));
    }
    EXPECT_TRUE(first_seen && second_seen) << Joined(calls);
}

TEST_F(CaptureChainTest, ARelayThatNeverMakesItsPipeHoldsTheSpoolerOnlySoLong) {
    const std::vector<std::wstring> pages = Print(L"nobody listens\n");
    // The job's event as the driver UI module makes it, but no relay behind it.
    UniqueHandle event = CreateJobEvent(JobEventName(L"qlx", 5401));
    ASSERT_TRUE(event.Valid());
    const std::vector<std::string> calls = Capture(pages, L"--job 5401", false);
    EXPECT_TRUE(calls.empty()) << Joined(calls);
    EXPECT_NE(std::string::npos, log_.Text().find("DRV::Relay pipe not reached"));
}

// The complete chain: the real UI module starts the real relay, which forwards the job that
// the rendering module writes into its pipe.
TEST_F(CaptureChainTest, TheUiModulesRelayForwardsTheJob) {
    const std::wstring text = NumberedWords(90, 30);
    const std::vector<std::wstring> pages = Print(text);
    const std::vector<std::string> calls =
        CaptureThroughUiModule(pages, L"--job 5501 --document Letter", QLX_RELAY_FOLDER);
    ASSERT_GE(calls.size(), 3u) << Joined(calls);
    EXPECT_EQ("int_StartJob(Quorvane Lettrix,NT EMF 1.008,5501,300,Letter)", calls.front());
    EXPECT_EQ("int_EndJob()", calls.back());
    EXPECT_EQ(Words(text), WordsOf(Items(calls)));
    const std::string log = log_.Text();
    EXPECT_NE(std::string::npos, log.find("Launching stub")) << log;
    EXPECT_NE(std::string::npos, log.find("QLXSTUB::Start")) << "not forwarded by the relay";
}

// No relay in the product's folder: the UI module lets go of the job's event, so the
// rendering module prints the job directly and it still arrives.
TEST_F(CaptureChainTest, WithoutARelayTheJobArrivesDirectly) {
    const std::vector<std::wstring> pages = Print(L"no relay here\n");
    TempDir empty;
    const std::vector<std::string> calls =
        CaptureThroughUiModule(pages, L"--job 5502", empty.Path());
    ASSERT_GE(calls.size(), 3u) << Joined(calls);
    EXPECT_EQ("int_StartJob(Quorvane Lettrix,NT EMF 1.008,5502,300,Document)", calls.front());
    EXPECT_EQ("int_EndJob()", calls.back());
    EXPECT_EQ(Words(L"no relay here"), WordsOf(Items(calls)));
    const std::string log = log_.Text();
    EXPECT_NE(std::string::npos, log.find("CreateProcess error")) << log;
    EXPECT_EQ(std::string::npos, log.find("QLXSTUB::")) << log;
}

// A printer reached by a UNC name gets no relay: its job goes directly to the core.
TEST_F(CaptureChainTest, AUncPrintersJobGetsNoRelay) {
    const std::vector<std::wstring> pages = Print(L"shared printer\n");
    const std::vector<std::string> calls = CaptureThroughUiModule(
        pages, L"--job 5503 --printer \\\\server\\Lettrix", QLX_RELAY_FOLDER);
    ASSERT_GE(calls.size(), 3u) << Joined(calls);
    EXPECT_EQ("int_StartJob(\\\\server\\Lettrix,NT EMF 1.008,5503,300,Document)", calls.front());
    EXPECT_EQ("int_EndJob()", calls.back());
    const std::string log = log_.Text();
    EXPECT_NE(std::string::npos, log.find("UNC printer, stub not launched")) << log;
    EXPECT_EQ(std::string::npos, log.find("QLXSTUB::")) << log;
}

} // namespace
