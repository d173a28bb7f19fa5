#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "feed_time.h"
#include "feed_writer.h"
#include "page_fixture.h"

namespace {

const UtcTime kNoon = {2026, 1, 31, 14, 5, 9};

TEST(FeedTime, IsRfc3339InUtcWhateverTheFields) {
    struct {
        UtcTime time;
        std::u16string text;
    } rows[] = {
        {kNoon, u"2026-01-31T14:05:09Z"},
        {{1601, 1, 1, 0, 0, 0}, u"1601-01-01T00:00:00Z"},
        {{30827, 12, 31, 23, 59, 60}, u"9999-12-31T23:59:60Z"}, // clamped, leap second kept
        {{-5, 0, 0, -1, 99, 61}, u"0000-01-01T00:59:60Z"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Rfc3339(row.time), row.text) << Shown(row.text);
}

TEST(FeedHead, RssHasOnlyWhatIsSetAndNoAuthor) {
    FeedSettings settings;
    EXPECT_EQ(FeedHeader(settings, u"Report", kNoon),
              u"<?xml version=\"1.0\" ?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n\t<title>Report"
              u"</title>\r\n\t<generator>Quorvane Lettrix 5.4</generator>\r\n");
    settings = {u"http://h/?a=1&b=2", u"Q<A>", u"Ann & Bob", false, false};
    EXPECT_EQ(FeedHeader(settings, u"R&D", kNoon),
              u"<?xml version=\"1.0\" ?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n\t<title>R&amp;D"
              u"</title>\r\n\t<link>http://h/?a=1&amp;b=2</link>\r\n\t<description>Q&lt;A&gt;"
              u"</description>\r\n\t<generator>Quorvane Lettrix 5.4</generator>\r\n");
    EXPECT_EQ(FeedFooter(false), u"</channel>\r\n</rss>\r\n");
}

TEST(FeedHead, AtomNamesTheFeedAndDatesItInUtc) {
    const FeedSettings settings = {u"http://h/?a=\"1\"&b", u"Sub", u"Ann <a@b>", false, true};
    EXPECT_EQ(FeedHeader(settings, u"Report", kNoon),
              u"<?xml version=\"1.0\" ?>\r\n<feed xmlns=\"http://www.w3.org/2005/Atom\">\r\n"
              u"\t<title>Report</title>\r\n\t<id>Report</id>\r\n"
              u"\t<link href=\"http://h/?a=&quot;1&quot;&amp;b\"/>\r\n"
              u"\t<author>\r\n\t\t<name>Ann &lt;a@b&gt;</name>\r\n\t</author>\r\n"
              u"\t<subtitle>Sub</subtitle>\r\n"
              u"\t<generator version=\"5.4\">Quorvane Lettrix</generator>\r\n"
              u"\t<updated>2026-01-31T14:05:09Z</updated>\r\n");
    EXPECT_EQ(FeedFooter(true), u"</feed>\r\n");
}

std::u16string Page(const FeedSettings& settings, long index, const std::vector<TextRun>& runs) {
    FeedPage page;
    page.StartPage(index, settings, u"Report", kNoon);
    for (const TextRun& run : runs)
        page.AddItem(run.x0, run.y0, run.x1, run.y1, run.text, u"Arial");
    return page.EndPage();
}

// Two lines with one blank line between them (pitch 21: a gap of 42 is one blank line).
const std::vector<TextRun> kTwoLines = {
    {400, 80, 450, 100, u"World"},
    {100, 80, 150, 100, u"Tom & Jerry"},
    {100, 122, 150, 142, u"<end>"},
};

TEST(FeedPage, RssItemHoldsThePageTextLineByLine) {
    FeedSettings settings;
    EXPECT_EQ(Page(settings, 0, {}),
              u"\t<item>\r\n\t\t<description>\r\n\t\t</description>\r\n\t</item>\r\n");
    settings.author = u"A&B";
    EXPECT_EQ(Page(settings, 0, kTwoLines),
              u"\t<item>\r\n\t\t<author>A&amp;B</author>\r\n\t\t<description>\r\n"
              u"Tom &amp; Jerry World \r\n\r\n&lt;end&gt; \r\n"
              u"\t\t</description>\r\n\t</item>\r\n");
}

TEST(FeedPage, AtomEntryIsNamedAfterItsPage) {
    FeedSettings settings;
    settings.atom = true;
    EXPECT_EQ(Page(settings, 2, {{0, 0, 10, 10, u"x"}}),
              u"\t<entry>\r\n\t\t<title>Report, page 3</title>\r\n\t\t<id>Report_3</id>\r\n"
              u"\t\t<updated>2026-01-31T14:05:09Z</updated>\r\n\t\t<content type=\"text\">\r\n"
              u"x \r\n\t\t</content>\r\n\t</entry>\r\n");
}

TEST(FeedPage, HtmlBodiesBreakEveryLineAsEscapedMarkup) {
    // Every text line, blank ones included, ends in the break; the text is HTML-escaped, so a
    // reader shows it as it was printed.
    FeedSettings settings;
    settings.br = true;
    settings.atom = true;
    settings.link = u"http://h/";
    EXPECT_EQ(Page(settings, 0, kTwoLines),
              u"\t<entry>\r\n\t\t<title>Report, page 1</title>\r\n\t\t<id>Report_1</id>\r\n"
              u"\t\t<link href=\"http://h/\"/>\r\n"
              u"\t\t<updated>2026-01-31T14:05:09Z</updated>\r\n\t\t<content type=\"html\">\r\n"
              u"Tom &amp;amp; Jerry World &lt;BR&gt;\r\n&lt;BR&gt;\r\n"
              u"&amp;lt;end&amp;gt; &lt;BR&gt;\r\n"
              u"\t\t</content>\r\n\t</entry>\r\n");
    settings.atom = false;
    EXPECT_EQ(Page(settings, 0, {{0, 0, 10, 10, u"x"}}),
              u"\t<item>\r\n\t\t<description>\r\nx &lt;BR&gt;\r\n"
              u"\t\t</description>\r\n\t</item>\r\n");
}

} // namespace
