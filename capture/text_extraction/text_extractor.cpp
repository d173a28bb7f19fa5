#include "text_extractor.h"

#include <algorithm>

#include "run_splitter.h"

std::u16string CallText(const TextOutCall& call) {
    std::u16string text;
    if (!call.string || (call.glyph_indices && !call.glyph_table))
        return text;
    const size_t n = std::min(call.glyph_count, kMaxGlyphsPerCall);
    text.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = call.glyph_indices ? call.glyph_table[call.string[i]] : call.string[i];
        text[i] = c ? c : kUnknownCharacter;
    }
    return text;
}

std::vector<ExtractedItem> ExtractItems(const TextOutCall& call, uint32_t threshold) {
    std::vector<ExtractedItem> items;
    std::u16string text = CallText(call);
    if (text.empty())
        return items;
    const DeviceRect& box = call.background;
    if (call.positions != PositionsState::kGiven || !call.x || !call.advance) {
        items.push_back({box.left, box.top, box.right, box.bottom, std::move(text)});
        return items;
    }
    const std::vector<RunPart> parts =
        SplitRuns(call.x, call.advance, text.size(), box.left, box.right, threshold);
    items.reserve(parts.size());
    for (const RunPart& part : parts) {
        items.push_back({part.x0, box.top, part.x1, box.bottom,
                         text.substr(part.first, part.end - part.first)});
    }
    return items;
}
