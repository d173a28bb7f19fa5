#include <gtest/gtest.h>

#include "runs_file.h"

namespace {

HandJob Parse(const std::string& text) {
    HandJob job;
    RunsFileError error;
    EXPECT_TRUE(ParseRunsFile(text, &job, &error)) << error.line << ": " << error.message;
    return job;
}

TEST(RunsFile, ReadsDocumentPagesAndRuns) {
    const HandJob job = Parse("\xEF\xBB\xBF# sample\r\n"
                              "document Quarterly report\r\n"
                              "dpi 600\r\n"
                              "\r\n"
                              "page 5100 6600\r\n"
                              "100 200 300 40 Courier New|  Hello | world  \r\n"
                              "page\n"
                              "-5 0 0 0 |\n");
    EXPECT_EQ(job.document, u"Quarterly report");
    EXPECT_EQ(job.dpi, 600);
    ASSERT_EQ(job.pages.size(), 2u);
    EXPECT_EQ(job.pages[0].width, 5100);
    EXPECT_EQ(job.pages[0].height, 6600);
    ASSERT_EQ(job.pages[0].runs.size(), 1u);
    const HandRun& run = job.pages[0].runs[0];
    EXPECT_EQ(run.x0, 100);
    EXPECT_EQ(run.y0, 200);
    EXPECT_EQ(run.x1, 400);
    EXPECT_EQ(run.y1, 240);
    EXPECT_EQ(run.font, u"Courier New");
    EXPECT_EQ(run.text, u"  Hello | world");
    // A page without a size is Letter at the job's resolution.
    EXPECT_EQ(job.pages[1].width, 5100);
    EXPECT_EQ(job.pages[1].height, 6600);
    ASSERT_EQ(job.pages[1].runs.size(), 1u);
    EXPECT_EQ(job.pages[1].runs[0].x0, -5);
    EXPECT_EQ(job.pages[1].runs[0].font, u"");
    EXPECT_EQ(job.pages[1].runs[0].text, u"");
}

TEST(RunsFile, ARunBeforeAnyPageStartsOneAndAnEmptyFileIsAJobWithoutPages) {
    const HandJob job = Parse("1 2 3 4 Arial|x");
    ASSERT_EQ(job.pages.size(), 1u);
    EXPECT_EQ(job.pages[0].width, 2550);
    EXPECT_EQ(job.pages[0].runs.size(), 1u);
    EXPECT_TRUE(Parse("").pages.empty());
    EXPECT_TRUE(Parse("# nothing\n\n").pages.empty());
}

TEST(RunsFile, TextIsDecodedFromUtf8WithAReplacementForEachFault) {
    const HandJob job = Parse("0 0 1 1 F|\xC3\xA9\xF0\x9F\x98\x80\xC0\xAF\xED\xA0\x80\xFF.");
    const std::u16string expected = u"\u00E9\U0001F600\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.";
    EXPECT_EQ(job.pages[0].runs[0].text, expected);
    EXPECT_EQ(DecodeUtf8("\xE2\x82"), u"\uFFFD\uFFFD");
}

TEST(RunsFile, EachFaultNamesItsLine) {
    const struct {
        const char* text;
        size_t line;
    } cases[] = {
        {"page\n1 2 3|x\n", 2},       {"1 2 3 4 no bar\n", 1},
        {"\n\npage 0 10\n", 3},       {"page 10\n", 1},
        {"page 10 10 10\n", 1},       {"dpi 0\n", 1},
        {"dpi 300 x\n", 1},           {"page\ndpi 300\n", 2},
        {"page\ndocument late\n", 2}, {"2147483648 0 1 1 F|x\n", 1},
        {"0 0 -1 1 F|x\n", 1},        {"2147483000 0 1000 1 F|x\n", 1},
        {"0x10 0 1 1 F|x\n", 1},      {"+1 0 1 1 F|x\n", 1},
    };
    for (const auto& c : cases) {
        HandJob job;
        RunsFileError error;
        EXPECT_FALSE(ParseRunsFile(c.text, &job, &error)) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_FALSE(error.message.empty()) << c.text;
    }
}

} // namespace
