#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "page_fixture.h"
#include "page_lines.h"
#include "round_half_down.h"
#include "selection_order.h"

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(RoundHalfDown, HalfGoesDownAndAboveHalfGoesUp) {
    struct {
        double value;
        std::int64_t expected;
    } rows[] = {
        {10.65, 11}, {21.3, 21}, {106.5, 106}, {0.5, 0}, {0.5000001, 1},
        {6.1, 6},    {-0.7, 0},  {-2.5, -2},   {0, 0},   {8589934591.6, 8589934592},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RoundHalfDown(row.value), row.expected) << row.value;
    // The product the pitch rule relies on is exactly 106.5 in double precision.
    EXPECT_EQ(100 * 1.065, 106.5);
    EXPECT_EQ(RoundedQuotient(5, 10), 0);
    EXPECT_EQ(RoundedQuotient(61, 10), 6);
}

// The integer quotient gives what the double quotient gives, ties and negative values included.
TEST(RoundHalfDown, IntegerQuotientMatchesTheDoubleQuotient) {
    std::mt19937_64 random(99);
    for (int i = 0; i < 200000; ++i) {
        const std::int64_t denominator = 1 + static_cast<std::int64_t>(random() % 5000);
        // Small numerators meet every rest; large ones the far ends of 33-bit differences.
        const std::int64_t range = i % 2 ? 20000 : (std::int64_t{1} << 34);
        const std::int64_t numerator =
            static_cast<std::int64_t>(random() % (2 * range + 1)) - range;
        ASSERT_EQ(RoundedQuotient(numerator, denominator),
                  RoundHalfDown(static_cast<double>(numerator) / static_cast<double>(denominator)))
            << numerator << " / " << denominator;
    }
}

// Line numbers for pages of hand-made boxes, in sorted order.
TEST(AssignLines, GroupsItemsIntoLinesByPitchAndOverlap) {
    struct {
        const char* what;
        std::vector<TextRun> runs;
        std::int32_t lines;
        std::string expected;
    } rows[] = {
        {"one item", {{0, 80, 50, 100, u"a"}}, 1, "a@0"},
        {"starting at the reference bottom, less than a pitch below",
         {{0, 80, 50, 100, u"a"}, {0, 100, 50, 120, u"b"}},
         2,
         "a@0 b@1"},
        {"a gap of five pitches and 71% of one: five blank lines",
         {{0, 80, 50, 100, u"a"}, {0, 200, 50, 220, u"b"}},
         7,
         "a@0 b@6"},
        {"overlapping by 50% of its height starts a line",
         {{0, 80, 50, 100, u"a"}, {0, 90, 50, 110, u"b"}},
         2,
         "a@0 b@1"},
        {"overlapping by 60% joins the line",
         {{0, 80, 50, 100, u"a"}, {0, 85, 50, 110, u"b"}},
         1,
         "a@0 b@0"},
        {"sorted by bottom edge whatever the arrival order",
         {{0, 200, 50, 220, u"c"}, {0, 80, 50, 100, u"a"}, {60, 82, 90, 100, u"b"}},
         7,
         "a@0 b@0 c@6"},
        {"a rest of exactly 70% of a pitch is no line, 80% is",
         // height 9 gives pitch 10 (9.585): gaps of 17 and 18 below the reference bottom
         {{0, 90, 10, 100, u"a"}, {0, 108, 10, 117, u"b"}, {0, 126, 10, 135, u"c"}},
         4,
         "a@0 b@1 c@3"},
        {"a box given from its lower corner keeps its text",
         {{0, 80, 50, 100, u"a"}, {0, 220, 50, 200, u"b"}},
         7,
         "a@0 b@6"},
        {"zero height on the reference bottom joins, below it starts a line",
         {{0, 80, 50, 100, u"a"}, {60, 100, 90, 100, u"b"}, {0, 300, 10, 300, u"c"}},
         2,
         "a@0 b@0 c@1"},
    };
    for (const auto& row : rows) {
        PageItems page;
        AddRuns(page, row.runs);
        EXPECT_EQ(AssignLines(page), row.lines) << row.what;
        EXPECT_EQ(LinesOf(page), row.expected) << row.what;
    }
}

TEST(AssignLines, PitchOfHeight100RoundsTheExactHalfDown) {
    // 100 * 1.065 is exactly 106.5: pitch 106. A bottom 182 below the line is one pitch and
    // 76/106 = 71% of one (two lines down); with pitch 107 it would be 75/107 = 70% (one).
    PageItems page;
    AddRuns(page, {{0, 0, 10, 100, u"a"}, {0, 182, 10, 282, u"b"}});
    EXPECT_EQ(AssignLines(page), 3);
    EXPECT_EQ(LinesOf(page), "a@0 b@2");
}

TEST(AssignLines, EmptyPageHasNoLines) {
    PageItems page;
    EXPECT_EQ(AssignLines(page), 0);
    std::vector<const PositionedItem*> list;
    GatherLine(page, 0, list);
    EXPECT_TRUE(list.empty());
    BuildLines(page);
    EXPECT_TRUE(page.Lines().empty());
    EXPECT_EQ(JoinLines(page), u"");
}

TEST(AssignLines, CoordinatesAtTheExtremesNeitherOverflowNorMakeMillionsOfLines) {
    PageItems page;
    AddRuns(page, {
                      {kMin, kMin, kMin + 10, kMin + 1, u"top"},
                      {0, kMin, 10, kMax, u"tall"},
                      {kMax - 10, kMax - 1, kMax, kMax, u"bottom"},
                      {kMax, kMax, kMin, kMin, u"whole page"},
                  });
    const std::int32_t lines = AssignLines(page);
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, 4 + kMaxGapLines * 3);
    // Sorted by bottom with line numbers that never fall.
    for (size_t i = 1; i < page.ItemCount(); ++i) {
        EXPECT_LE(page.Item(i - 1).y1, page.Item(i).y1);
        EXPECT_LE(page.Item(i - 1).line, page.Item(i).line);
    }
    BuildLines(page);
    const std::u16string text = JoinLines(page);
    for (const char16_t* word : {u"top", u"tall", u"bottom", u"whole page"})
        EXPECT_NE(text.find(word), std::u16string::npos) << Shown(word);
}

TEST(AssignLines, BlankLinesAreBoundedPerGapAndPerPage) {
    // Items of height 1 (pitch 1) a million pixels apart.
    PageItems page;
    const std::int32_t count = 100;
    for (std::int32_t i = 0; i < count; ++i)
        page.AddItem(0, i * 1000000, 5, i * 1000000 + 1, u"x", u"");
    const std::int32_t lines = AssignLines(page);
    EXPECT_EQ(page.Item(1).line, 1 + kMaxGapLines);
    EXPECT_EQ(lines, count + kMaxBlankLinesPerPage);
}

// The literal selection sort, as the reference for the fast one.
template <class T, class Key> void NaiveSelectionSort(std::vector<T>& v, Key key) {
    for (size_t n = 0; n < v.size(); ++n) {
        size_t best = n;
        for (size_t i = n + 1; i < v.size(); ++i) {
            if (key(v[i]) < key(v[best]))
                best = i;
        }
        if (best != n)
            std::swap(v[n], v[best]);
    }
}

TEST(SelectionSortOrder, LeavesEqualKeysExactlyWhereASelectionSortDoes) {
    std::mt19937 random(1234);
    for (int round = 0; round < 400; ++round) {
        const size_t count = random() % 40;
        const int keys = 1 + static_cast<int>(random() % 6); // many ties
        std::vector<std::pair<int, int>> fast, naive;        // {key, identity}
        for (size_t i = 0; i < count; ++i)
            fast.push_back({static_cast<int>(random() % keys), static_cast<int>(i)});
        naive = fast;
        auto key = [](const std::pair<int, int>& p) { return p.first; };
        SelectionSortOrder(fast, key);
        NaiveSelectionSort(naive, key);
        ASSERT_EQ(fast, naive) << "round " << round;
    }
}

TEST(GatherLine, SortsTheLineByLeftEdgeAndKeepsTheFirstFoundOfEqualEdges) {
    PageItems page;
    // One line; arrival order c, a1, b, a2 (a1 and a2 share x0 = 10).
    AddRuns(page, {{300, 80, 340, 100, u"c"},
                   {10, 81, 40, 101, u"a1"},
                   {100, 80, 140, 100, u"b"},
                   {10, 82, 40, 102, u"a2"},
                   {0, 210, 40, 230, u"next"}});
    ASSERT_EQ(AssignLines(page), 7);
    std::vector<const PositionedItem*> list;
    GatherLine(page, 0, list);
    std::string order;
    for (const PositionedItem* item : list)
        order += Shown(item->text) + " ";
    EXPECT_EQ(order, "a1 a2 b c ");

    // Appends to what the list holds, and a blank line gathers nothing.
    GatherLine(page, 3, list);
    EXPECT_EQ(list.size(), 4u);
    GatherLine(page, 6, list);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.front()->text, u"next"); // x0 0 sorts first
}

TEST(BuildLines, JoinsEachLineWithTheSeparatorAfterEveryItem) {
    PageItems page;
    page.SetSeparator(u" ");
    AddRuns(page, {{400, 80, 500, 100, u"World"},
                   {100, 80, 200, 100, u"Hello"},
                   {100, 200, 200, 220, u"Again"}});
    BuildLines(page);
    ASSERT_EQ(page.Lines().size(), 7u);
    EXPECT_EQ(page.Lines()[0], u"Hello World ");
    EXPECT_EQ(page.Lines()[3], u"");
    EXPECT_EQ(JoinLines(page), u"Hello World \r\n\r\n\r\n\r\n\r\n\r\nAgain \r\n");

    // Clear keeps nothing; the separator stays.
    page.Clear();
    EXPECT_EQ(page.ItemCount(), 0u);
    EXPECT_TRUE(page.Lines().empty());
    EXPECT_EQ(page.Separator(), u" ");
}

TEST(PageItems, TextsStayWhereTheyAreWhileThePageGrows) {
    PageItems page;
    const std::u16string huge(100000, u'h');
    page.AddItem(0, 0, 10, 10, u"first", u"Arial");
    page.AddItem(0, 0, 10, 10, huge, u"Arial");
    for (int i = 0; i < 50000; ++i)
        page.AddItem(i, 0, i + 10, 10, u"run" + std::u16string(1, char16_t(u'a' + i % 26)),
                     i % 2 ? u"Arial" : u"Times New Roman");
    const std::u16string_view first = page.Item(0).text;
    EXPECT_EQ(first, u"first");
    EXPECT_EQ(page.Item(1).text, huge);
    EXPECT_EQ(page.Item(50001).text, u"runb"); // 49999 % 26 = 1
    EXPECT_EQ(page.Item(50001).font, u"Arial");
    EXPECT_EQ(page.Item(50000).font, u"Times New Roman");
    BuildLines(page);
    EXPECT_EQ(page.Item(0).text.data(), first.data()); // sorting moved no text

    // The next page starts empty and its texts are its own.
    page.Clear();
    page.AddItem(0, 0, 10, 10, u"again", u"");
    EXPECT_EQ(page.ItemCount(), 1u);
    EXPECT_EQ(page.Item(0).text, u"again");
    EXPECT_EQ(page.Item(0).font, u"");
}

TEST(BuildLines, ItemsAddedAfterAssignmentAreOnNoLineUntilTheNext) {
    PageItems page;
    AddRuns(page, {{0, 80, 10, 100, u"a"}});
    ASSERT_EQ(AssignLines(page), 1);
    page.AddItem(20, 80, 30, 100, u"b", u"");
    EXPECT_EQ(page.Item(1).line, -1);
    EXPECT_EQ(LineItems(page, 0).end, 1u);
    BuildLines(page);
    EXPECT_EQ(JoinLines(page), u"ab\r\n");
}

} // namespace
