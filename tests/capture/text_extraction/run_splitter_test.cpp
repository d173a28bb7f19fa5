#include <gtest/gtest.h>

#include <vector>

#include "font_metrics.h"
#include "run_splitter.h"
#include "text_extractor.h"

// Found by the vector comparison through the argument type.
static bool operator==(const RunPart& a, const RunPart& b) {
    return a.first == b.first && a.end == b.end && a.x0 == b.x0 && a.x1 == b.x1;
}

namespace {

struct SplitRow {
    const char* name;
    std::vector<int32_t> x;
    std::vector<int32_t> advance;
    int32_t right;
    uint32_t threshold;
    std::vector<RunPart> expected;
};

std::string Describe(const std::vector<RunPart>& parts) {
    std::string s;
    for (const RunPart& p : parts) {
        s += "[" + std::to_string(p.first) + "," + std::to_string(p.end) + ") " +
             std::to_string(p.x0) + ".." + std::to_string(p.x1) + " ";
    }
    return s;
}

TEST(RunSplitter, SplitsWhereTheGapClearlyExceedsTheAdvance) {
    const SplitRow rows[] = {
        {"gap 30 percent over threshold 25",
         {100, 126},
         {20, 20},
         1000,
         25,
         {{0, 1, 100, 120}, {1, 2, 126, 146}}},
        {"gap 20 percent is not over 25", {100, 124}, {20, 20}, 1000, 25, {{0, 2, 100, 144}}},
        {"threshold 0 splits any wider gap",
         {100, 121},
         {20, 20},
         1000,
         0,
         {{0, 1, 100, 120}, {1, 2, 121, 141}}},
        {"threshold 0 keeps an exact advance", {100, 120}, {20, 20}, 1000, 0, {{0, 2, 100, 140}}},
        {"a glyph left of its predecessor splits",
         {100, 90},
         {20, 20},
         1000,
         25,
         {{0, 1, 100, 120}, {1, 2, 90, 110}}},
        {"a zero advance never splits", {100, 500}, {0, 20}, 1000, 25, {{0, 2, 100, 520}}},
        {"one glyph ends at its advance", {100}, {20}, 1000, 25, {{0, 1, 100, 120}}},
        {"one glyph past the right edge ends there", {100}, {20}, 110, 25, {{0, 1, 100, 110}}},
        {"an advance exactly to the right edge ends there",
         {100},
         {10},
         110,
         25,
         {{0, 1, 100, 110}}},
        {"columns",
         {0, 10, 20, 200, 210, 400},
         {10, 10, 10, 10, 10, 10},
         1000,
         25,
         {{0, 3, 0, 30}, {3, 5, 200, 220}, {5, 6, 400, 410}}},
    };
    for (const SplitRow& row : rows) {
        const std::vector<RunPart> parts = SplitRuns(row.x.data(), row.advance.data(), row.x.size(),
                                                     row.x[0], row.right, row.threshold);
        EXPECT_TRUE(parts == row.expected)
            << row.name << ": got " << Describe(parts) << "expected " << Describe(row.expected);
    }
}

TEST(RunSplitter, TheFirstRunStartsAtTheBackgroundsLeftEdge) {
    const int32_t x[] = {105, 200};
    const int32_t advance[] = {10, 10};
    const std::vector<RunPart> parts = SplitRuns(x, advance, 2, 100, 300, 25);
    ASSERT_EQ(2u, parts.size());
    EXPECT_EQ(100, parts[0].x0);
    EXPECT_EQ(200, parts[1].x0);
}

TEST(RunSplitter, ThePercentageIsTakenModulo32Bits) {
    // (gap - a) x 100 wraps: 42949673 x 100 = 2^32 + 4, so 4 / 1 = 4, not over 25.
    const int32_t x[] = {0, 42949674};
    const int32_t advance[] = {1, 1};
    EXPECT_EQ(1u, SplitRuns(x, advance, 2, 0, 0x7FFFFFFF, 25).size());
}

TEST(RunSplitter, CoordinatesNearTheLimitsWrapInsteadOfOverflowing) {
    const int32_t x[] = {0x7FFFFFF0, -0x7FFFFFF0};
    const int32_t advance[] = {0x20, 0x20};
    const std::vector<RunPart> parts = SplitRuns(x, advance, 2, x[0], 0x7FFFFFFF, 25);
    ASSERT_EQ(1u, parts.size()) << "the gap is 0x20 in 32-bit wrap-around";
}

TEST(RunSplitter, FixedPitchPositionsFollowTheFirst) {
    int32_t x[] = {100, -1, -1, -1};
    DeriveFixedPitchPositions(25, 4, x);
    EXPECT_EQ(125, x[1]);
    EXPECT_EQ(150, x[2]);
    EXPECT_EQ(175, x[3]);
}

TEST(RunSplitter, AdvanceIsTheWholePixelPartOfTheFixedPoint) {
    EXPECT_EQ(20, WholePixelAdvance(20 << 4));
    EXPECT_EQ(20, WholePixelAdvance((20 << 4) + 15));
    EXPECT_EQ(-1, WholePixelAdvance(-1));
    EXPECT_EQ(-2, WholePixelAdvance(-32));
}

TEST(FontMetrics, FaceIsReadInsideTheMetricsOnly) {
    struct Metrics {
        uint32_t size;
        char16_t face[8];
    } metrics = {sizeof(Metrics), u"Arial"};
    EXPECT_EQ(u"Arial", FaceFromMetrics(&metrics, sizeof metrics, 4));
    EXPECT_EQ(u"rial", FaceFromMetrics(&metrics, sizeof metrics, 6));
    EXPECT_EQ(u"", FaceFromMetrics(&metrics, sizeof metrics, -4));
    EXPECT_EQ(u"", FaceFromMetrics(&metrics, sizeof metrics, sizeof metrics));
    EXPECT_EQ(u"", FaceFromMetrics(nullptr, 100, 4));
    EXPECT_EQ(u"Ar", FaceFromMetrics(&metrics, 8, 4)) << "a face without terminator ends there";
    EXPECT_EQ(u"", FaceFromMetrics(&metrics, 5, 4)) << "half a character is not read";
}

TEST(FontMetrics, LongFacesAreCut) {
    std::vector<char16_t> metrics(1000, u'x');
    metrics.back() = 0;
    EXPECT_EQ(kMaxFaceChars, FaceFromMetrics(metrics.data(), 2000, 0).size());
}

} // namespace
