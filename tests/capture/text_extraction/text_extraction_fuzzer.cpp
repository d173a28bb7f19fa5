// Reads arbitrary bytes as one text-output call (flags, threshold, character increment,
// background, then per glyph a code unit, a position and an advance), and as the font data
// the module reads (glyph-set runs, a face name in metrics, private device modes). Besides
// not crashing: the items' texts together are the call's text, in order, and a call with
// text yields at least one item.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "font_metrics.h"
#include "glyph_set.h"
#include "glyph_table.h"
#include "private_devmode.h"
#include "run_splitter.h"
#include "text_extractor.h"

namespace {

constexpr size_t kHeaderBytes = 25;
constexpr size_t kGlyphBytes = 10;

template <class T> T Read(const uint8_t* data) {
    T value;
    memcpy(&value, data, sizeof value);
    return value;
}

void CheckCall(const uint8_t* data, size_t size) {
    if (size < kHeaderBytes)
        return;
    const uint8_t flags = data[0];
    const uint32_t threshold = Read<uint32_t>(data + 1);
    const uint32_t char_inc = Read<uint32_t>(data + 5);
    const DeviceRect box = {Read<int32_t>(data + 9), Read<int32_t>(data + 13),
                            Read<int32_t>(data + 17), Read<int32_t>(data + 21)};
    const size_t n = (size - kHeaderBytes) / kGlyphBytes;
    std::u16string string(n, 0);
    std::vector<int32_t> x(n), advance(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* glyph = data + kHeaderBytes + i * kGlyphBytes;
        string[i] = Read<char16_t>(glyph);
        x[i] = Read<int32_t>(glyph + 2);
        advance[i] = WholePixelAdvance(Read<int32_t>(glyph + 6));
    }
    if ((flags & 0x20) && n > 0)
        DeriveFixedPitchPositions(char_inc, n, x.data());

    GlyphTable table;
    if (flags & 0x02) {
        table = NewGlyphTable();
        for (char16_t g : string)
            table[g] = g % 3 ? static_cast<char16_t>(g % 0x7F + 0x20) : 0;
    }
    TextOutCall call;
    call.glyph_count = n;
    call.string = string.data();
    call.glyph_indices = flags & 0x01;
    call.glyph_table = table.get();
    call.background = box;
    call.positions = static_cast<PositionsState>((flags >> 2) % 3);
    call.x = x.data();
    call.advance = (flags & 0x10) ? advance.data() : nullptr;

    const std::u16string text = CallText(call);
    const std::vector<ExtractedItem> items = ExtractItems(call, threshold);
    std::u16string joined;
    for (const ExtractedItem& item : items) {
        if (item.text.empty() || item.y0 != box.top || item.y1 != box.bottom)
            abort();
        joined += item.text;
    }
    if (joined != text || (!text.empty() && items.empty()))
        abort();
}

void CheckFontData(const uint8_t* data, size_t size) {
    std::vector<GlyphRun> runs(size / 4);
    for (size_t i = 0; i < runs.size(); ++i)
        runs[i] = {Read<char16_t>(data + 4 * i), Read<uint16_t>(data + 4 * i + 2)};
    const uint32_t declared = size >= 4 ? Read<uint32_t>(data) : 0;
    const std::vector<char16_t> chars = ListSupportedCharacters(runs.data(), runs.size(), declared);
    if (chars.size() > declared || chars.size() > kMaxListedCharacters)
        abort();

    const int32_t offset = size >= 8 ? Read<int32_t>(data + 4) % 64 : 0;
    if (FaceFromMetrics(data, static_cast<uint32_t>(size), offset).size() > kMaxFaceChars)
        abort();

    if (size >= 2 * sizeof(OemDevMode)) {
        OemDevMode in, out;
        memcpy(&in, data, sizeof in);
        memcpy(&out, data + sizeof in, sizeof out);
        ConvertOemDevMode(&in, &out);
        if (out.size != kOemDevModeSize || out.version != kOemVersion ||
            out.signature != kOemSignature)
            abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckCall(data, size);
    CheckFontData(data, size);
    return 0;
}
