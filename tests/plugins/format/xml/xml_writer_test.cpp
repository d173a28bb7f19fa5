#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "page_fixture.h"
#include "page_lines.h"
#include "xml_page.h"
#include "xml_text.h"

namespace {

TEST(XmlText, EscapesMarkupAndReplacesWhatXmlCannotHold) {
    struct {
        const char* name;
        std::u16string input, text, attribute;
    } rows[] = {
        {"markup", u"a&b<c>d\"e'", u"a&amp;b&lt;c&gt;d\"e'", u"a&amp;b&lt;c&gt;d&quot;e'"},
        {"entity escaped once more", u"&amp;", u"&amp;amp;", u"&amp;amp;"},
        {"end of CDATA", u"]]>", u"]]&gt;", u"]]&gt;"},
        {"controls", std::u16string(u"a\0b\x01\x1f\x7f", 6), u"a\uFFFDb\uFFFD\uFFFD\x7f",
         u"a\uFFFDb\uFFFD\uFFFD\x7f"},
        {"white space", u"\t\r\n", u"\t&#13;\n", u"&#9;&#13;&#10;"},
        {"pair kept", u"\U0001F600", u"\U0001F600", u"\U0001F600"},
        {"lone high", u"x\xD83Dy", u"x\uFFFDy", u"x\uFFFDy"},
        {"lone low", u"\xDE00", u"\uFFFD", u"\uFFFD"},
        {"reversed pair", u"\xDE00\xD83D", u"\uFFFD\uFFFD", u"\uFFFD\uFFFD"},
        {"high at end", u"\xD83D", u"\uFFFD", u"\uFFFD"},
        {"non-characters", u"\uFFFE\uFFFF\uFFFD", u"\uFFFD\uFFFD\uFFFD", u"\uFFFD\uFFFD\uFFFD"},
        {"empty", u"", u"", u""},
    };
    for (const auto& row : rows) {
        std::u16string text, attribute;
        AppendXmlText(text, row.input);
        AppendXmlAttribute(attribute, row.input);
        EXPECT_EQ(text, row.text) << row.name << ": " << Shown(text);
        EXPECT_EQ(attribute, row.attribute) << row.name << ": " << Shown(attribute);
    }

    std::u16string html;
    AppendHtmlAsXmlText(html, u"a<b & \x01");
    EXPECT_EQ(html, u"a&amp;lt;b &amp;amp; \uFFFD");
}

TEST(XmlText, WritesDecimalsOfTheWholeRange) {
    struct {
        std::int64_t value;
        std::u16string text;
    } rows[] = {
        {0, u"0"},
        {-7, u"-7"},
        {2147483647, u"2147483647"},
        {-4294967295LL, u"-4294967295"},
        {std::numeric_limits<std::int64_t>::min(), u"-9223372036854775808"},
        {std::numeric_limits<std::int64_t>::max(), u"9223372036854775807"},
    };
    for (const auto& row : rows) {
        std::u16string text;
        AppendDecimal(text, row.value);
        EXPECT_EQ(text, row.text) << row.value;
    }
}

TEST(XmlDocument, HeaderAndFooterNameTheDocumentEscaped) {
    EXPECT_EQ(XmlHeader(u"", 600),
              u"<?xml version=\"1.0\" ?>\r\n<document name=\"\" resolution=\"600\">\r\n");
    EXPECT_EQ(XmlHeader(u"Q&A \"1\" <draft>", 300),
              u"<?xml version=\"1.0\" ?>\r\n<document name=\"Q&amp;A &quot;1&quot; "
              u"&lt;draft&gt;\" resolution=\"300\">\r\n");
    EXPECT_EQ(XmlFooter(), u"</document>\r\n");
}

std::u16string Element(int x, int y, int w, int h, const std::u16string& font,
                       const std::u16string& text) {
    auto n = [](std::int64_t v) {
        std::u16string s;
        AppendDecimal(s, v);
        return s;
    };
    return u"\t\t<text X=\"" + n(x) + u"\" Y=\"" + n(y) + u"\" Width=\"" + n(w) + u"\" Height=\"" +
           n(h) + u"\" Font=\"" + font + u"\">\r\n\t\t\t" + text + u"\r\n\t\t</text>\r\n";
}

struct FontRun {
    std::int32_t x0, y0, x1, y1;
    std::u16string text;
    std::u16string font = u"Arial";
};

std::u16string Write(const std::vector<FontRun>& runs, bool optimize, std::int64_t space = 100) {
    XmlPage page;
    page.StartPage(1, 2480, 3508);
    for (const FontRun& run : runs)
        page.AddItem(run.x0, run.y0, run.x1, run.y1, run.text, run.font);
    return page.EndPage(optimize, space);
}

const std::u16string kHead = u"\t<page number=\"2\" width=\"2480\" height=\"3508\">\r\n";
const std::u16string kEnd = u"\t</page>\r\n";

TEST(XmlPage, WritesEveryItemInArrivalOrderUnlessOptimized) {
    const std::vector<FontRun> runs = {
        {300, 200, 340, 220, u"b<c"},
        {100, 100, 140, 120, u"   "},
        {100, 200, 140, 220, u"a&b", u"Font \"X\" & Co"},
    };
    EXPECT_EQ(Write(runs, false),
              kHead + Element(300, 200, 40, 20, u"Arial", u"b&lt;c") +
                  Element(100, 100, 40, 20, u"Arial", u"   ") +
                  Element(100, 200, 40, 20, u"Font &quot;X&quot; &amp; Co", u"a&amp;b") + kEnd);
    EXPECT_EQ(Write({}, false), kHead + kEnd);
    EXPECT_EQ(Write({}, true), kHead + kEnd);

    // Huge coordinates: sizes need more than 32 bits, page numbers too.
    XmlPage page;
    page.StartPage(std::numeric_limits<std::int32_t>::max(), -1, 0);
    page.AddItem(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(),
                 std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(),
                 u"x", u"");
    EXPECT_EQ(page.EndPage(false, 100),
              u"\t<page number=\"2147483648\" width=\"-1\" height=\"0\">\r\n"
              u"\t\t<text X=\"-2147483648\" Y=\"-2147483648\" Width=\"4294967295\" "
              u"Height=\"4294967295\" Font=\"\">\r\n\t\t\tx\r\n\t\t</text>\r\n" +
                  kEnd);
}

TEST(XmlPage, OptimizedMergesNeighboursOfOneFontByLine) {
    // Average width: (30 + 20 + 30 + 50) / (3 + 2 + 3 + 5) = 10.
    const std::vector<FontRun> runs = {
        {130, 100, 150, 120, u"lo"},
        {100, 100, 130, 120, u"Hel"},
        {100, 200, 130, 220, u"one"},
        {130, 200, 180, 220, u"other", u"Courier"},
    };
    EXPECT_EQ(Write(runs, true), kHead + Element(100, 100, 50, 20, u"Arial", u"Hello") +
                                     Element(100, 200, 30, 20, u"Arial", u"one") +
                                     Element(130, 200, 50, 20, u"Courier", u"other") + kEnd);
}

TEST(XmlMerge, GapsBreakRunsAtTheirShareOfTheAverageWidth) {
    // Items of 10 pixels a character; the first ends at 130.
    struct {
        const char* name;
        std::int32_t secondX0;
        std::int64_t space;
        std::vector<std::u16string> texts;
    } rows[] = {
        {"gap of 10 at 100%", 140, 100, {u"abc", u"def"}},
        {"gap of 9 at 100%: a word's blank", 139, 100, {u"abc def"}},
        {"gap of 5 at 50%", 135, 50, {u"abc", u"def"}},
        {"gap of 2: one word", 132, 100, {u"abcdef"}},
        {"touching", 130, 100, {u"abcdef"}},
        {"overlapping", 120, 100, {u"abcdef"}},
        {"space 0, any gap", 131, 0, {u"abc", u"def"}},
        {"space 0, touching", 130, 0, {u"abcdef"}},
    };
    for (const auto& row : rows) {
        PageItems page;
        AddRuns(page, {{100, 100, 130, 120, u"abc"},
                       {row.secondX0, 100, row.secondX0 + 30, 120, u"def"}});
        ASSERT_EQ(AssignLines(page), 1);
        std::vector<const PositionedItem*> line;
        GatherLine(page, 0, line);
        const std::vector<XmlRun> runs = MergeLineItems(line, 10, row.space);
        std::vector<std::u16string> texts;
        for (const XmlRun& run : runs)
            texts.push_back(run.text);
        EXPECT_EQ(texts, row.texts) << row.name;
    }
}

TEST(XmlMerge, KeepsTheBlankBetweenWordsAndSkipsBlankItems) {
    PageItems page;
    // "Hello", a blank run, "World" touching it; then "again" after a gap of a word's blank
    // (4 pixels: 40% of the average width) and a blank run at the end.
    AddRuns(page, {{100, 100, 150, 120, u"Hello"},
                   {150, 100, 155, 120, u" "},
                   {155, 100, 205, 120, u"World"},
                   {209, 100, 259, 120, u"again"},
                   {259, 100, 269, 120, u"\u3000"}});
    AssignLines(page);
    std::vector<const PositionedItem*> line;
    GatherLine(page, 0, line);
    const std::vector<XmlRun> runs = MergeLineItems(line, 10, 100);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, u"Hello World again");
    EXPECT_EQ(runs[0].x0, 100);
    EXPECT_EQ(runs[0].x1, 259); // the blank item at the end changes nothing

    // A blank already in the text is not doubled; with no width every gap is small.
    PageItems spaced;
    AddRuns(spaced, {{100, 100, 160, 120, u"Hello "},
                     {160, 100, 170, 120, u" "},
                     {170, 100, 220, 120, u"World"}});
    AssignLines(spaced);
    line.clear();
    GatherLine(spaced, 0, line);
    const std::vector<XmlRun> zeroWidth = MergeLineItems(line, 0, 100);
    ASSERT_EQ(zeroWidth.size(), 1u);
    EXPECT_EQ(zeroWidth[0].text, u"Hello World");
}

} // namespace
