#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "layout_items.h"
#include "page_fixture.h"
#include "page_lines.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct Options {
    bool margins = false;
    bool usespaces = false;
    std::int32_t pageHeight = 1000;
};

std::u16string Layout(LayoutItems& layout, const std::vector<TextRun>& runs, Options options) {
    layout.StartPage(options.pageHeight);
    for (const TextRun& run : runs)
        layout.AddItem(run.x0, run.y0, run.x1, run.y1, run.text, u"Arial", options.usespaces);
    return layout.EndPage(options.margins);
}

std::u16string Layout(const std::vector<TextRun>& runs, Options options = {}) {
    LayoutItems layout;
    return Layout(layout, runs, options);
}

std::u16string Spaces(size_t count) {
    return std::u16string(count, u' ');
}

std::u16string BlankLines(size_t count) {
    std::u16string lines;
    for (size_t i = 0; i < count; ++i)
        lines += u"\r\n";
    return lines;
}

// Pages of hand-made runs against their text. Character widths are 10 pixels unless a row
// says otherwise; "col" notes give round-half-down((cw div 2 + x0 - left) / cw).
TEST(LayoutPage, PutsEveryItemInTheColumnOfItsLeftEdge) {
    const Options margins{true, false, 1000};
    const Options spaces{false, true, 1000};
    struct {
        const char* what;
        std::vector<TextRun> runs;
        Options options;
        std::u16string expected;
    } rows[] = {
        {"two items on one line",
         {{400, 80, 450, 100, u"World"}, {100, 80, 150, 100, u"Hello"}},
         {},
         u"Hello" + Spaces(25) + u"World\r\n"},
        {"x0 = 100 at column 0 (0.5 rounds down), x0 = 156 at column 6 (6.1)",
         {{100, 80, 120, 100, u"ab"}, {156, 80, 166, 100, u"c"}},
         {},
         u"ab    c\r\n"},
        {"two columns, lines in order of their bottoms",
         {{0, 80, 40, 100, u"left"},
          {600, 80, 650, 100, u"right"},
          {0, 101, 50, 121, u"left2"},
          {600, 101, 660, 121, u"right2"}},
         {},
         u"left" + Spaces(56) + u"right\r\nleft2" + Spaces(55) + u"right2\r\n"},
        {"a gap of five pitches and 71% gives five blank lines",
         {{0, 80, 30, 100, u"top"}, {0, 200, 30, 220, u"low"}},
         {},
         u"top\r\n" + BlankLines(5) + u"low\r\n"},
        {"overlapping boxes that share 60% of the lower one's height share a line",
         {{0, 80, 30, 100, u"one"}, {100, 85, 130, 110, u"two"}},
         {},
         u"one" + Spaces(7) + u"two\r\n"},
        {"columns that collide at 20 pixels fit at 19",
         // cw 20: BB at (10 + 60) / 20 = 3.5 -> 3, inside AAAA; cw 19: (9 + 60) / 19 = 3.6 -> 4
         {{0, 80, 80, 100, u"AAAA"}, {60, 80, 80, 100, u"BB"}},
         {},
         u"AAAABB\r\n"},
        {"items apart on the page get a cell between them",
         // W sets cw 10; "then" at (5 + 35) / 10 = 4 would touch "tide" (cells 0 to 3) though
         // 5 pixels lie between them; at cw 9 it is 4.3 -> 4 too, at cw 8 it is 4.9 -> 5
         {{0, 40, 10, 60, u"W"}, {0, 61, 30, 81, u"tide"}, {35, 61, 75, 81, u"then"}},
         {},
         u"W\r\ntide then\r\n"},
        {"runs of one word that touch on the page touch in the grid",
         {{0, 80, 30, 100, u"Hel"}, {30, 80, 50, 100, u"lo"}, {50, 80, 70, 100, u"!!"}},
         {},
         u"Hello!!\r\n"},
        {"items that collide at every width are written in sorted order, not by column",
         {{500, 80, 550, 100, u"right"}, {0, 81, 40, 101, u"left"}, {0, 82, 30, 102, u"dup"}},
         {},
         u"right left dup \r\n"},
        {"margins: lines above the first text, columns from the page's left edge",
         // lh = 50, 300 / 50 = 6 lines above; column (5 + 200) / 10 = 20; (1000 - 350) / 50 = 13
         {{200, 300, 210, 350, u"a"}},
         margins,
         BlankLines(6) + Spaces(20) + u"a\r\n" + BlankLines(13)},
        {"margins with one line and a page ending at its bottom",
         {{0, 0, 30, 50, u"abc"}, {100, 0, 130, 50, u"def"}},
         {true, false, 50},
         u"abc" + Spaces(7) + u"def\r\n"},
        {"margins with a line height of 0 add no lines",
         // two zero-height lines one pixel apart: (1 - 0) / 2 = 0.5 rounds to 0
         {{0, 0, 10, 0, u"a"}, {0, 1, 10, 1, u"b"}},
         margins,
         u"a\r\nb\r\n"},
        {"margins move an item left of the page onto one at the edge",
         // without margins: columns 0 and 10; from x = 0 both start at column 0. lh = 21:
         // 80 / 21 = 3.8 gives 4 lines above, 899 / 21 = 42.8 gives 43 below
         {{-100, 80, -70, 100, u"neg"}, {0, 81, 40, 101, u"zero"}},
         margins,
         BlankLines(4) + u"neg zero \r\n" + BlankLines(43)},
        {"blank text is dropped without document spaces",
         {{0, 80, 20, 100, u"ab"}, {10, 80, 40, 100, u"   "}},
         {},
         u"ab\r\n"},
        {"with document spaces, spaces take cells and collide like characters",
         // cw 10: spaces at (5 + 10) / 10 = 1.5 -> 1, inside "ab"; cw 9: 14 / 9 = 1.6 -> 2
         {{0, 80, 20, 100, u"ab"}, {10, 80, 40, 100, u"   "}},
         spaces,
         u"ab   \r\n"},
        {"an empty text with document spaces takes no cell and no character width",
         {{0, 80, 0, 100, u""}, {50, 80, 60, 100, u"x"}},
         spaces,
         Spaces(5) + u"x\r\n"},
        {"a line of spaces only is kept with document spaces",
         {{0, 80, 30, 100, u"top"}, {0, 101, 20, 121, u"  "}},
         spaces,
         u"top\r\n  \r\n"},
        {"a character width below 1 counts columns in pixels",
         // (1 - 0) / 3 rounds to 0: the divisor is 1
         {{0, 80, 1, 100, u"abc"}, {10, 80, 11, 100, u"de"}},
         {},
         u"abc       de\r\n"},
        {"a box given from its other corners keeps its text",
         {{30, 100, 0, 80, u"abc"}, {100, 80, 130, 100, u"def"}},
         {},
         u"abc" + Spaces(7) + u"def\r\n"},
        {"an empty page is empty, margins or not", {}, margins, u""},
    };
    for (const auto& row : rows) {
        const std::u16string text = Layout(row.runs, row.options);
        EXPECT_EQ(text, row.expected) << row.what;
    }
}

TEST(LayoutPage, ItemsFarOffThePageKeepTheirTextInBoundedLines) {
    // Alone on its line, a far item starts at the last column.
    EXPECT_EQ(Layout({{0, 80, 10, 100, u"a"}, {kMax - 10, 80, kMax, 100, u"far"}}),
              u"a" + Spaces(kMaxColumn - 1) + u"far\r\n");

    const std::u16string text = Layout({{0, 80, 10, 100, u"a"},
                                        {kMax - 10, 80, kMax, 100, u"far"},
                                        {kMax - 20, 81, kMax - 10, 101, u"farther"},
                                        {kMin, kMin, kMax, kMax, u"everywhere"},
                                        {kMin, kMax - 5, kMin + 50, kMax, u"bottom"}},
                                       {true, false, kMax});
    for (const char16_t* word : {u"a", u"far", u"farther", u"everywhere", u"bottom"})
        EXPECT_NE(text.find(word), std::u16string::npos) << Shown(word);
    EXPECT_LT(text.size(), 4u * (kMaxColumn + 64) + 4 * kMaxGapLines);
}

TEST(LayoutPage, ALongTextIsWrittenWhole) {
    LayoutItems layout;
    const std::u16string longText(40000, u'x');
    // cw 10 from "z"; the long run starts at (5 + 20) / 10 = 2.5 -> 2.
    const std::u16string& text =
        Layout(layout, {{-20, 80, -10, 100, u"z"}, {0, 80, 40000, 100, longText}}, {});
    EXPECT_TRUE(text == u"z " + longText + u"\r\n") << text.size();
    EXPECT_EQ(Layout(layout, {{0, 80, 10, 100, u"y"}}, {}), u"y\r\n");
}

TEST(LayoutPage, EachPageStartsEmpty) {
    LayoutItems layout;
    EXPECT_EQ(Layout(layout, {{0, 80, 30, 100, u"one"}}, {}), u"one\r\n");
    EXPECT_EQ(layout.LineCount(), 1u);
    EXPECT_EQ(Layout(layout, {{0, 80, 30, 100, u"two"}}, {}), u"two\r\n");
    layout.StartPage(1000);
    EXPECT_EQ(layout.Page().ItemCount(), 0u);
    EXPECT_EQ(layout.LineCount(), 0u);
    EXPECT_EQ(layout.EndPage(false), u"");
}

// A dense page (a thousand lines of two words at one x) makes the width search run down to 3
// on its first line again and again: it must still end, with every word kept.
TEST(LayoutPage, AWidthSearchThatNeverSucceedsEndsAtThree) {
    std::vector<TextRun> runs;
    for (std::int32_t line = 0; line < 1000; ++line) {
        runs.push_back({0, line * 30, 3000000, line * 30 + 20, u"w"});
        runs.push_back({0, line * 30 + 1, 40, line * 30 + 21, u"x"});
    }
    const std::u16string text = Layout(runs);
    EXPECT_EQ(text.substr(0, 10), u"w x \r\nw x ");
}

} // namespace
