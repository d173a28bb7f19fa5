#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pipe_reader.h"
#include "pipe_writer.h"

namespace {

std::vector<TextItemFields> Parts(const TextRun& run, std::vector<uint32_t>* sizes = nullptr) {
    std::vector<TextItemFields> parts;
    TextItemSplitter splitter(run);
    PipeMessage message;
    while (splitter.Next(&message)) {
        if (sizes)
            sizes->push_back(message.size);
        ParsedMessage parsed;
        EXPECT_EQ(ParsePipeMessage(message, &parsed), ParseStatus::kOk);
        parts.push_back(parsed.text_item);
        if (parts.size() > 100)
            break;
    }
    return parts;
}

// 3000 characters with surrogate pairs, some of them where a cut would fall.
std::u16string LongText() {
    std::u16string text;
    while (text.size() < 3000) {
        text += u"word ";
        text += u"\U0001F4C4";
    }
    text.resize(3000);
    if (IsHighSurrogate(text.back()))
        text.back() = u'.';
    return text;
}

std::u16string Joined(const std::vector<TextItemFields>& parts) {
    std::u16string text;
    for (const TextItemFields& part : parts)
        text += part.text;
    return text;
}

TEST(TextItemSplitter, AShortRunIsOneItemWithTheRunsBox) {
    TextRun run;
    run.x0 = 100;
    run.y0 = 10;
    run.x1 = 180;
    run.y1 = 30;
    run.text = u"Hello";
    run.face = u"Courier New";
    const std::vector<TextItemFields> parts = Parts(run);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].x0, 100);
    EXPECT_EQ(parts[0].y0, 10);
    EXPECT_EQ(parts[0].x1, 180);
    EXPECT_EQ(parts[0].y1, 30);
    EXPECT_EQ(parts[0].text, u"Hello");
    EXPECT_EQ(parts[0].face, u"Courier New");
}

// For each face, each cut and each way of placing the characters: nothing lost, no part
// too long for the writer's buffer, no cut inside a surrogate pair, and the boxes of the
// parts following one another from the run's left edge to its right one.
TEST(TextItemSplitter, ALongRunIsSplitBetweenCharactersWithTheBoxesOfItsParts) {
    const std::u16string text = LongText();
    std::vector<int32_t> left(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        left[i] = 1000 + 7 * static_cast<int32_t>(i);
    const std::u16string longFace(400, u'f');
    const struct {
        const char* name;
        std::u16string_view face;
        const int32_t* positions;
    } rows[] = {
        {"positions given", u"Arial", left.data()},
        {"no positions", u"Arial", nullptr},
        {"no face name", u"", left.data()},
        {"a face name too long", longFace, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TextRun run;
        run.x0 = 1000;
        run.y0 = 50;
        run.x1 = 1000 + 7 * 3000;
        run.y1 = 80;
        run.text = text;
        run.face = row.face;
        run.char_left = row.positions;
        std::vector<uint32_t> sizes;
        const std::vector<TextItemFields> parts = Parts(run, &sizes);
        ASSERT_GE(parts.size(), 3u);
        EXPECT_EQ(Joined(parts), text);
        int32_t x = run.x0;
        size_t at = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            SCOPED_TRACE(i);
            const TextItemFields& part = parts[i];
            EXPECT_LE(sizes[i], kTextItemBufferBytes);
            EXPECT_FALSE(part.text.empty());
            EXPECT_FALSE(IsLowSurrogate(part.text.front()));
            EXPECT_FALSE(IsHighSurrogate(part.text.back()));
            EXPECT_EQ(part.face, row.face.substr(0, kTextItemMaxFaceChars));
            EXPECT_EQ(part.x0, x) << "each part starts where the one before ended";
            EXPECT_EQ(part.y0, 50);
            EXPECT_EQ(part.y1, 80);
            at += part.text.size();
            if (row.positions && at < text.size()) {
                EXPECT_EQ(part.x1, left[at]) << "the next part's first character";
            }
            EXPECT_GE(part.x1, part.x0);
            x = part.x1;
        }
        EXPECT_EQ(x, run.x1);
    }
}

TEST(TextItemSplitter, ARunThatFillsTheBufferExactlyIsOneItem) {
    const std::u16string text(kTextItemMaxChars - 5, u'a');
    TextRun run;
    run.text = text;
    run.face = u"Arial";
    std::vector<uint32_t> sizes;
    const std::vector<TextItemFields> parts = Parts(run, &sizes);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(sizes[0], kTextItemBufferBytes - 1);
    const std::u16string more(kTextItemMaxChars - 4, u'a');
    run.text = more;
    EXPECT_EQ(Parts(run).size(), 2u);
}

// A box wider than 32 bits can count is shared without overflow.
TEST(TextItemSplitter, ProportionalBoxesOfAWideRunDoNotOverflow) {
    const std::u16string text(2000, u'x');
    TextRun run;
    run.x0 = INT32_MIN;
    run.x1 = INT32_MAX;
    run.text = text;
    const std::vector<TextItemFields> parts = Parts(run);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].x0, INT32_MIN);
    EXPECT_EQ(parts[0].x1, parts[1].x0);
    EXPECT_GT(parts[0].x1, INT32_MIN);
    EXPECT_LT(parts[0].x1, INT32_MAX);
    EXPECT_EQ(parts[1].x1, INT32_MAX);
}

TEST(TextItemSplitter, TextEndsAtItsFirstZero) {
    const std::u16string text(u"ab\0cd", 5);
    TextRun run;
    run.text = text;
    run.face = std::u16string_view(u"F\0G", 3);
    const std::vector<TextItemFields> parts = Parts(run);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].text, u"ab");
    EXPECT_EQ(parts[0].face, u"F");
}

TEST(FitLength, NeverCutsASurrogatePair) {
    const std::u16string text = u"ab\U0001F600c";
    const struct {
        size_t room;
        size_t length;
    } rows[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 4}, {5, 5}, {9, 5}};
    for (const auto& row : rows)
        EXPECT_EQ(FitLength(text, row.room), row.length) << "room " << row.room;
}

} // namespace
