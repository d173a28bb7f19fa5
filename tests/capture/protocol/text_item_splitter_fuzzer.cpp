// Arbitrary runs through the writer's splitting: the first byte gives the face name's length,
// the second whether positions are given, then the box, then the code units of face and text.
// Every part must be read back, fit the writer's buffer, keep surrogate pairs whole and the
// parts' boxes must follow one another; together the parts hold the whole text.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "pipe_reader.h"
#include "pipe_writer.h"

namespace {

void Check(bool condition) {
    if (!condition)
        abort();
}

int32_t Int(const uint8_t* at) {
    return static_cast<int32_t>(static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                                (static_cast<uint32_t>(at[2]) << 16) |
                                (static_cast<uint32_t>(at[3]) << 24));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 18)
        return 0;
    const size_t faceLength = data[0] * 2u;
    const bool positioned = data[1] & 1;
    TextRun run;
    run.x0 = Int(data + 2);
    run.y0 = Int(data + 6);
    run.x1 = Int(data + 10);
    run.y1 = Int(data + 14);
    std::u16string units;
    for (size_t at = 18; at + 1 < size; at += 2)
        units.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
    const size_t split = faceLength < units.size() ? faceLength : units.size();
    const std::u16string face = units.substr(0, split);
    const std::u16string text = units.substr(split);
    std::vector<int32_t> left(text.size());
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = static_cast<int32_t>(static_cast<uint32_t>(run.x0) + 3u * i);
    run.text = text;
    run.face = face;
    run.char_left = positioned ? left.data() : nullptr;

    const std::u16string_view expected = UpToNul(text);
    const std::u16string_view expectedFace =
        UpToNul(face).substr(0, FitLength(UpToNul(face), kTextItemMaxFaceChars));
    TextItemSplitter splitter(run);
    PipeMessage message;
    std::u16string joined;
    int32_t x = run.x0;
    size_t parts = 0;
    while (splitter.Next(&message)) {
        Check(++parts <= expected.size() + 1);
        Check(message.size <= kTextItemBufferBytes);
        ParsedMessage parsed;
        Check(ParsePipeMessage(message, &parsed) == ParseStatus::kOk);
        const TextItemFields& item = parsed.text_item;
        Check(item.face == expectedFace);
        Check(item.x0 == x && item.y0 == run.y0 && item.y1 == run.y1);
        Check(parts == 1 || !item.text.empty());
        const size_t at = joined.size();
        if (at > 0 && !item.text.empty())
            Check(!(IsHighSurrogate(joined.back()) && IsLowSurrogate(item.text.front())));
        joined += item.text;
        if (positioned && joined.size() < expected.size())
            Check(item.x1 == left[joined.size()]);
        x = item.x1;
    }
    Check(parts >= 1);
    Check(joined == expected);
    Check(x == run.x1);
    return 0;
}
