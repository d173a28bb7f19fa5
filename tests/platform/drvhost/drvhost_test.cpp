// The driver host with a plug-in that records what reaches its hooks: the document's pages
// and text as GDI realised them, the spool file, and the engine's faults on request.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "emf_spool.h"
#include "host_runner.h"
#include "temp_dir.h"

namespace {

struct RecordedCall {
    std::string line;
    std::wstring text;
    std::vector<long> x;
    std::vector<long> advance;
    long y = 0;
    long inc = 0;
    long bk[4] = {};
};

std::vector<long> Numbers(const std::string& list) {
    std::vector<long> numbers;
    std::istringstream in(list);
    std::string item;
    while (std::getline(in, item, ','))
        numbers.push_back(std::stol(item));
    return numbers;
}

std::string Field(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + "=");
    if (at == std::string::npos)
        return "";
    const size_t start = at + key.size() + 2;
    return line.substr(start, line.find(' ', start) - start);
}

RecordedCall ParseCall(const std::string& line) {
    RecordedCall call;
    call.line = line;
    const size_t text = line.find(" text=") + 6;
    const std::string utf8 = line.substr(text, line.find('|', text) - text);
    const int chars = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), nullptr, 0);
    call.text.resize(chars);
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &call.text[0], chars);
    const std::string rest = line.substr(line.find('|', text));
    call.x = Numbers(Field(rest, "x"));
    const std::string adv = Field(rest, "adv");
    if (adv != "(failed)")
        call.advance = Numbers(adv);
    call.y = std::stol(Field(rest, "y"));
    call.inc = std::stol(Field(line, "inc"));
    const std::vector<long> bk = Numbers(Field(line, "bk"));
    for (size_t i = 0; i < 4 && i < bk.size(); ++i)
        call.bk[i] = bk[i];
    return call;
}

class DriverHostTest : public testing::Test {
protected:
    void SetUp() override {
        record_ = dir_.File(L"record.txt");
        SetEnvironmentVariableW(L"QLX_RECORDING_PLUGIN", record_.c_str());
    }
    void TearDown() override { SetEnvironmentVariableW(L"QLX_RECORDING_PLUGIN", nullptr); }

    // Prints text (UTF-8) with the printing program's options into pages.
    std::vector<std::wstring> Print(const std::wstring& text, const std::wstring& options = L"",
                                    const wchar_t* name = L"document.txt") {
        const std::wstring document = dir_.File(name);
        EXPECT_TRUE(WriteTextFile(document, text));
        return PrintDocument(document, dir_.File(L"pages"), options);
    }

    int Host(const std::wstring& options, const std::vector<std::wstring>& pages) {
        DeleteFileW(record_.c_str());
        return RunHost(DrvHostFile(L"recording_plugin.dll"), options, pages, &output_);
    }

    std::vector<std::string> Lines() const {
        std::string bytes;
        ReadWholeFile(record_, &bytes);
        std::vector<std::string> lines;
        std::istringstream in(bytes);
        std::string line;
        while (std::getline(in, line))
            lines.push_back(line);
        return lines;
    }

    std::vector<RecordedCall> Calls() const {
        std::vector<RecordedCall> calls;
        for (const std::string& line : Lines()) {
            if (line.rfind("TextOut", 0) == 0)
                calls.push_back(ParseCall(line));
        }
        return calls;
    }

    TempDir dir_;
    std::wstring record_;
    std::string output_;
};

TEST_F(DriverHostTest, EveryPageAndTextRecordReachesTheHooksInOrder) {
    const std::wstring text = NumberedWords(1300, 60);
    const std::vector<std::wstring> pages = Print(text);
    ASSERT_GE(pages.size(), 3u);
    ASSERT_EQ(0, Host(L"--job 41 --document Numbers", pages)) << output_;

    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ("EnablePDEV printer=Quorvane Lettrix dpi=300", lines[0]);
    EXPECT_EQ("StartDoc job=41 name=Numbers dpi=300", lines[1]);
    EXPECT_EQ("EndDoc flags=0", lines[lines.size() - 2]);
    EXPECT_EQ("DisablePDEV", lines.back());
    size_t page_starts = 0;
    for (const std::string& line : lines)
        page_starts += line == "StartPage 2550x3300";
    EXPECT_EQ(pages.size(), page_starts);

    std::wstring seen;
    for (const RecordedCall& call : Calls()) {
        seen += call.text + L" ";
        ASSERT_EQ(call.text.size(), call.x.size()) << call.line;
        ASSERT_EQ(call.text.size(), call.advance.size()) << call.line;
        // Left-aligned text: each glyph starts where the one before it ends, give or take the
        // pixel that scaling the page's units to the device rounds away.
        for (size_t i = 1; i < call.x.size(); ++i)
            ASSERT_NEAR(call.x[i - 1] + call.advance[i - 1], call.x[i], 1) << call.line;
        EXPECT_LT(call.bk[1], call.y);
        EXPECT_GT(call.bk[3], call.y);
        EXPECT_EQ(call.x[0], call.bk[0]);
        EXPECT_EQ(call.x.back() + call.advance.back(), call.bk[2]);
    }
    EXPECT_EQ(Words(text), Words(seen));
}

TEST_F(DriverHostTest, TheJobsSpoolFileHoldsItsPagesInTheEmfSpoolFormat) {
    const std::vector<std::wstring> pages = Print(NumberedWords(800, 40));
    ASSERT_GE(pages.size(), 2u);
    ASSERT_EQ(0, Host(L"--job 40017 --document Spooled", pages)) << output_;
    const std::wstring spool = L"c:\\temp\\40017.spl";
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(spool, &bytes));
    DeleteFileW(spool.c_str());
    std::vector<SpoolPageSpan> found;
    std::u16string document;
    ASSERT_TRUE(FindSpoolPages(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &found,
                               &document));
    EXPECT_EQ(u"Spooled", document);
    ASSERT_EQ(pages.size(), found.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        std::string emf;
        ASSERT_TRUE(ReadWholeFile(pages[i], &emf));
        EXPECT_EQ(emf, bytes.substr(found[i].offset, emf.size())) << "page " << i + 1;
    }
}

TEST_F(DriverHostTest, AFixedPitchRunGivesOnlyItsFirstPosition) {
    const std::vector<std::wstring> pages =
        Print(L"a mono spaced line long enough to show the increment holds\nplain\n",
              L"--font \"DejaVu Sans Mono\"");
    ASSERT_EQ(1u, pages.size());
    ASSERT_EQ(0, Host(L"", pages)) << output_;
    const std::vector<RecordedCall> calls = Calls();
    ASSERT_EQ(2u, calls.size());
    for (const RecordedCall& call : calls) {
        ASSERT_GT(call.inc, 0) << call.line;
        EXPECT_EQ(call.advance[0], call.inc);
        for (size_t i = 1; i < call.x.size(); ++i)
            EXPECT_LT(call.x[i], -100000) << "only the first position is valid: " << call.line;
    }
}

TEST_F(DriverHostTest, JustifiedAndTabbedTextHasGapsBetweenGlyphs) {
    const std::wstring text = NumberedWords(60, 60) + L"Name\tCity\nAda\tLondon\n";
    const std::vector<std::wstring> pages = Print(text, L"--justify");
    ASSERT_EQ(1u, pages.size());
    ASSERT_EQ(0, Host(L"", pages)) << output_;
    const std::vector<RecordedCall> calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_NEAR(2250, calls[0].bk[2], 2) << "a justified line ends at the margin";
    bool widened = false;
    for (size_t i = 1; i < calls[0].x.size(); ++i)
        widened |= calls[0].x[i] - calls[0].x[i - 1] > calls[0].advance[i - 1];
    EXPECT_TRUE(widened) << calls[0].line;
    const RecordedCall& tabbed = calls[calls.size() - 2];
    EXPECT_EQ(L"Name City", tabbed.text);
    EXPECT_EQ(600, tabbed.x[5]) << "the second column starts at the default tab stop";
}

TEST_F(DriverHostTest, GlyphIndexCallsCarryTheFontsIndices) {
    const std::vector<std::wstring> pages = Print(L"AAA\n");
    ASSERT_EQ(0, Host(L"--glyph-indices", pages)) << output_;
    const std::vector<RecordedCall> calls = Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_NE(std::string::npos, calls[0].line.find(" glyphs=1 ")) << calls[0].line;
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font =
        CreateFontW(-50, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"DejaVu Serif");
    HGDIOBJ old = SelectObject(dc, font);
    WORD glyph = 0;
    GetGlyphIndicesW(dc, L"A", 1, &glyph, 0);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    const std::string index = std::to_string(glyph);
    EXPECT_NE(std::string::npos, calls[0].line.find("text=" + index + "." + index + "." + index))
        << calls[0].line;
}

TEST_F(DriverHostTest, EngineAndDeviceFaultsAnswerAsTold) {
    const std::vector<std::wstring> pages = Print(L"fault\n");
    ASSERT_EQ(1u, pages.size());
    struct Row {
        const wchar_t* options;
        const char* expected; // in the record
    };
    const Row rows[] = {
        {L"--fault enumeration --positions enumerated", " enum=error "},
        {L"--positions enumerated", " enum=one "},
        {L"--positions batches", " enum=batches "},
        {L"--fault advances", " adv=(failed)"},
        {L"--fault no-metrics", " face=(none) "},
        {L"--fault no-glyph-set", " set=(none) "},
        {L"--fault lying-glyph-set", " set=2147483647/4294967295 "},
        {L"--fault abort", "EndDoc flags=1"},
        {L"--fault devmode-without-resolution", "StartDoc job=1 name=Document dpi=0"},
        {L"--fault null-document", "StartDoc job=1 name=(null) dpi=300"},
        {L"--reset-after-page 1", "ResetPDEV"},
        {L"--repeat 2", "StartDoc job=2 name=Document dpi=300"},
        {L"--dpi 600", "StartPage 5100x6600"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(0, Host(row.options, pages)) << output_;
        std::string all;
        for (const std::string& line : Lines())
            all += line + "\n";
        EXPECT_NE(std::string::npos, all.find(row.expected))
            << "with " << std::string(row.options, row.options + wcslen(row.options)) << ":\n"
            << all;
    }
}

TEST_F(DriverHostTest, AnRtfDocumentKeepsItsFormatsAndAlignment) {
    const std::wstring rtf = L"{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}\\f0\\fs24 "
                             L"{\\pard\\qc Centered title\\par}"
                             L"{\\pard plain {\\b bold} plain\\par}}";
    const std::vector<std::wstring> pages = Print(rtf, L"", L"styled.rtf");
    ASSERT_EQ(1u, pages.size());
    ASSERT_EQ(0, Host(L"", pages)) << output_;
    const std::vector<RecordedCall> calls = Calls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(L"Centered title", calls[0].text);
    const long width = calls[0].bk[2] - calls[0].bk[0];
    EXPECT_NEAR(300 + (1950 - width) / 2, calls[0].bk[0], 2) << "centred between the margins";
    EXPECT_EQ(L"plain ", calls[1].text);
    EXPECT_EQ(L"bold", calls[2].text) << "a format of its own is a call of its own";
    EXPECT_EQ(L" plain", calls[3].text);
}

TEST_F(DriverHostTest, BadCommandLinesAndModulesAreRefused) {
    EXPECT_EQ(2, RunProgram(Quoted(DrvHostFile(L"qlx_drvhost.exe")) + L" --fault none"));
    EXPECT_EQ(3, RunHost(dir_.File(L"missing.dll"), L"", {}));
    EXPECT_EQ(2, RunProgram(Quoted(DrvHostFile(L"qlx_printdoc.exe")) + L" only-one-argument"));
}

} // namespace
