#include <gtest/gtest.h>

#include <vector>

#include "glyph_table.h"
#include "private_devmode.h"
#include "text_extractor.h"

namespace {

// A call over glyphs at the given positions, each advance wide, on a background from the
// first position to right, top 10 and bottom 30.
struct CallFixture {
    std::u16string string;
    std::vector<int32_t> x;
    std::vector<int32_t> advance;
    TextOutCall call;

    CallFixture(std::u16string s, std::vector<int32_t> positions, int32_t each, int32_t right)
        : string(std::move(s)), x(std::move(positions)), advance(x.size(), each) {
        call.glyph_count = string.size();
        call.string = string.data();
        call.background = {x.empty() ? 0 : x[0], 10, right, 30};
        call.positions = PositionsState::kGiven;
        call.x = x.data();
        call.advance = advance.data();
    }
};

std::u16string Joined(const std::vector<ExtractedItem>& items) {
    std::u16string all;
    for (const ExtractedItem& item : items)
        all += item.text;
    return all;
}

TEST(TextExtractor, ColumnsBecomeItemsWithTheirBoxes) {
    CallFixture f(u"ab cd", {100, 110, 120, 300, 310}, 10, 1000);
    const std::vector<ExtractedItem> items = ExtractItems(f.call, 25);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(u"ab ", items[0].text);
    EXPECT_EQ(100, items[0].x0);
    EXPECT_EQ(130, items[0].x1);
    EXPECT_EQ(u"cd", items[1].text);
    EXPECT_EQ(300, items[1].x0);
    EXPECT_EQ(320, items[1].x1);
    for (const ExtractedItem& item : items) {
        EXPECT_EQ(10, item.y0);
        EXPECT_EQ(30, item.y1);
    }
}

TEST(TextExtractor, WithoutPositionsOrAdvancesTheCallIsOneItem) {
    struct Row {
        const char* name;
        PositionsState positions;
        bool advances;
    };
    const Row rows[] = {
        {"positions in batches", PositionsState::kLaterBatches, true},
        {"positions failed", PositionsState::kFailed, true},
        {"advances failed", PositionsState::kGiven, false},
    };
    for (const Row& row : rows) {
        CallFixture f(u"ab cd", {100, 110, 120, 300, 310}, 10, 900);
        f.call.positions = row.positions;
        if (!row.advances)
            f.call.advance = nullptr;
        const std::vector<ExtractedItem> items = ExtractItems(f.call, 25);
        ASSERT_EQ(1u, items.size()) << row.name;
        EXPECT_EQ(u"ab cd", items[0].text) << row.name;
        EXPECT_EQ(100, items[0].x0) << row.name;
        EXPECT_EQ(900, items[0].x1) << row.name;
    }
}

TEST(TextExtractor, GlyphIndicesAreMappedAndAnUnknownOneKeepsTheRestOfTheRun) {
    GlyphTable table = NewGlyphTable();
    table[36] = u'H';
    table[72] = u'i';
    table[3] = u' ';
    const std::u16string glyphs = {36, 72, 999, 3, 36};
    CallFixture f(glyphs, {0, 10, 20, 30, 40}, 10, 500);
    f.call.glyph_indices = true;
    f.call.glyph_table = table.get();
    const std::vector<ExtractedItem> items = ExtractItems(f.call, 25);
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(std::u16string(u"Hi") + kUnknownCharacter + u" H", items[0].text);
}

TEST(TextExtractor, GlyphIndicesWithoutAMapGiveNoText) {
    const std::u16string glyphs = {36, 72};
    CallFixture f(glyphs, {0, 10}, 10, 500);
    f.call.glyph_indices = true;
    EXPECT_TRUE(ExtractItems(f.call, 25).empty());
}

TEST(TextExtractor, NothingWithoutGlyphsOrString) {
    CallFixture f(u"", {}, 10, 500);
    EXPECT_TRUE(ExtractItems(f.call, 25).empty());
    CallFixture g(u"ab", {0, 10}, 10, 500);
    g.call.string = nullptr;
    EXPECT_TRUE(ExtractItems(g.call, 25).empty());
}

TEST(TextExtractor, AZeroCharacterDoesNotCutTheText) {
    const std::u16string s = {u'a', 0, u'b'};
    CallFixture f(s, {0, 10, 20}, 10, 500);
    EXPECT_EQ(std::u16string(u"a") + kUnknownCharacter + u"b", CallText(f.call));
}

TEST(TextExtractor, SplittingLosesAndReordersNothing) {
    CallFixture f(u"one two  three", {}, 10, 2000);
    f.x.clear();
    int32_t x = 50;
    for (char16_t c : f.string) {
        f.x.push_back(x);
        x += c == u' ' ? 40 : 10;
    }
    f.advance.assign(f.x.size(), 10);
    f.call.x = f.x.data();
    f.call.advance = f.advance.data();
    const std::vector<ExtractedItem> items = ExtractItems(f.call, 25);
    EXPECT_EQ(4u, items.size());
    EXPECT_EQ(f.string, Joined(items));
}

TEST(PrivateDevMode, DefaultAndConversion) {
    OemDevMode out = {0, 0, 0, 77};
    SetOemDevModeDefault(&out);
    EXPECT_EQ(16u, out.size);
    EXPECT_EQ(kOemSignature, out.signature);
    EXPECT_EQ(6u, out.version);
    EXPECT_EQ(77u, out.word);

    const OemDevMode in = {16, kOemSignature, 5, 42};
    ConvertOemDevMode(&in, &out);
    EXPECT_EQ(42u, out.word) << "our own block is carried over";
    EXPECT_EQ(6u, out.version);

    const OemDevMode header_only = {12, kOemSignature, 6, 42};
    ConvertOemDevMode(&header_only, &out);
    EXPECT_EQ(0u, out.word) << "a block that ends before the word clears it";
    EXPECT_EQ(16u, out.size);

    OemDevMode foreign = {16, 0x12345678, 1, 9};
    ConvertOemDevMode(&in, &foreign);
    EXPECT_EQ(kOemSignature, foreign.signature);
    EXPECT_EQ(9u, foreign.word) << "a foreign block is made ours, not overwritten";
    EXPECT_EQ(16u, foreign.size);

    ConvertOemDevMode(nullptr, &out);
    ConvertOemDevMode(&in, nullptr);
}

TEST(PrivateDevMode, SizesThatLieDoNotOverflowTheBlock) {
    struct Guarded {
        OemDevMode block;
        unsigned char after[64];
    };
    Guarded in = {{0xFFFFFFFF, kOemSignature, 6, 1}, {}};
    memset(in.after, 0xAB, sizeof in.after);
    Guarded out = {{0xFFFFFFFF, kOemSignature, 6, 2}, {}};
    ConvertOemDevMode(&in.block, &out.block);
    EXPECT_EQ(1u, out.block.word);
    EXPECT_EQ(16u, out.block.size);
    for (unsigned char c : out.after)
        ASSERT_EQ(0, c) << "nothing is written behind the block";
}

} // namespace
