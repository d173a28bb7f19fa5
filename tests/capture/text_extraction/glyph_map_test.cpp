#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "glyph_map_cache.h"
#include "glyph_set.h"
#include "glyph_table.h"

namespace {

TEST(GlyphTable, EntriesFollowTheCharacterClasses) {
    struct Row {
        char16_t c;
        uint16_t glyph;
        char16_t expected;
    };
    const Row rows[] = {
        {u'A', 36, u'A'},    {0x0020, 3, u' '},    {0x00A0, 3, u' '},    {0x2000, 3, u' '},
        {0x200B, 3, u' '},   {0x2060, 3, u' '},    {0x3000, 3, u' '},    {0x200C, 3, 0x200C},
        {0x2010, 16, u'-'},  {0x2014, 16, u'-'},   {0x2015, 16, 0x2015}, {0xE000, 122, u'-'},
        {0xF8FF, 40, u'D'},  {0xE041, 118, u'\''}, {0xE042, 119, u'"'},  {0xE042, 120, u'"'},
        {0xE042, 123, u'-'}, {0xE042, 124, 152},   {0xF8FF, 65535, 27},  {0xDFFF, 5, 0xDFFF},
        {0xF900, 5, 0xF900},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.expected, TableEntryFor(row.c, row.glyph))
            << "character " << std::hex << static_cast<int>(row.c) << " glyph " << std::dec
            << row.glyph;
    }
}

TEST(GlyphTable, LaterPairWinsAndMissingCharactersAreSkipped) {
    GlyphTable table = NewGlyphTable();
    ASSERT_TRUE(table);
    const char16_t chars[] = {u'a', u'b', 0x00A0, u'x', u'y'};
    const uint16_t glyphs[] = {68, 69, 69, kNonexistentGlyph, kNonexistentGlyph};
    FillGlyphTable(chars, glyphs, 5, table.get());
    EXPECT_EQ(u'a', table[68]);
    EXPECT_EQ(u' ', table[69]) << "the no-break space came after b for the same glyph";
    EXPECT_EQ(0, table[kNonexistentGlyph]) << "characters the font lacks map nothing";
    EXPECT_EQ(0, table[0]);
}

TEST(GlyphSet, ListsRunsInOrderWithinTheDeclaredCount) {
    const GlyphRun runs[] = {{u'a', 3}, {u'0', 2}, {u'x', 0}, {u'Z', 1}};
    EXPECT_EQ(u"abc01Z", std::u16string(ListSupportedCharacters(runs, 4, 6).data(), 6));
    std::vector<char16_t> cut = ListSupportedCharacters(runs, 4, 4);
    EXPECT_EQ(u"abc0", std::u16string(cut.begin(), cut.end()))
        << "a glyph set that lists more than it declares is cut at the declared count";
    EXPECT_EQ(6u, ListSupportedCharacters(runs, 4, 1000).size());
    EXPECT_TRUE(ListSupportedCharacters(runs, 0, 10).empty());
}

TEST(GlyphSet, RunsEndAtTheLastCharacterAndListsAtEveryCharacterOnce) {
    const GlyphRun top[] = {{0xFFFE, 60000}};
    EXPECT_EQ(2u, ListSupportedCharacters(top, 1, 0xFFFFFFFF).size());
    std::vector<GlyphRun> many(4000, GlyphRun{0, 0xFFFF});
    EXPECT_EQ(kMaxListedCharacters,
              ListSupportedCharacters(many.data(), many.size(), 0xFFFFFFFF).size());
}

TEST(GlyphSet, RunCountIsBoundedByTheSetsOwnSize) {
    EXPECT_EQ(3u, BoundedRunCount(16 + 3 * 16, 3, 16, 16));
    EXPECT_EQ(2u, BoundedRunCount(16 + 2 * 16 + 15, 1000000, 16, 16));
    EXPECT_EQ(0u, BoundedRunCount(8, 5, 16, 16));
    EXPECT_EQ(1u, BoundedRunCount(0xFFFFFFFF, 1, 16, 16));
}

TEST(GlyphMapCache, KeysAreFaceAndCharacterSet) {
    GlyphMapCache cache;
    EXPECT_EQ(nullptr, cache.Find(u"Arial", 0));
    const char16_t* ansi = cache.Add(u"Arial", 0, NewGlyphTable());
    ASSERT_NE(nullptr, ansi);
    EXPECT_EQ(ansi, cache.Find(u"Arial", 0));
    EXPECT_EQ(nullptr, cache.Find(u"Arial", 204)) << "another character set is another map";
    EXPECT_EQ(nullptr, cache.Find(u"arial", 0)) << "face names compare exactly";
    const char16_t* cyrillic = cache.Add(u"Arial", 204, NewGlyphTable());
    EXPECT_NE(ansi, cyrillic);
    EXPECT_EQ(2u, cache.Count());
    EXPECT_EQ(ansi, cache.Add(u"Arial", 0, NewGlyphTable())) << "the first table stays";
    EXPECT_EQ(2u, cache.Count());
    EXPECT_EQ(nullptr, cache.Add(u"Tahoma", 0, nullptr));
    cache.Clear();
    EXPECT_EQ(0u, cache.Count());
    EXPECT_EQ(nullptr, cache.Find(u"Arial", 0));
}

TEST(GlyphMapCache, DocumentsOnSeveralThreadsShareOneTablePerKey) {
    GlyphMapCache cache;
    constexpr int kThreads = 8;
    std::vector<const char16_t*> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&cache, &seen, t] {
            for (int i = 0; i < 50; ++i)
                cache.Add(u"Face" + std::u16string(1, char16_t(u'0' + i % 5)), 0, NewGlyphTable());
            seen[t] = cache.Find(u"Face3", 0);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(5u, cache.Count());
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(seen[0], seen[t]) << "thread " << t;
}

} // namespace
