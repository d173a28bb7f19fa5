#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

// Turns one text-output call, as the engine describes it, into text items: the characters
// (mapped back from glyph indices where the call carries those), split into runs at gaps,
// each with its box in device pixels.

struct DeviceRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

enum class PositionsState {
    kGiven,        // x holds every glyph's position
    kLaterBatches, // the engine hands them out in several batches
    kFailed,
};

// The longest call that is taken; glyphs beyond it are not read.
constexpr size_t kMaxGlyphsPerCall = 65536;

// The character an item shows where the font's map knows nothing.
constexpr char16_t kUnknownCharacter = 0xFFFD;

struct TextOutCall {
    size_t glyph_count = 0;
    // glyph_count code units: characters, or glyph indices when glyph_indices is set.
    const char16_t* string = nullptr;
    bool glyph_indices = false;
    // The font's glyph map (kGlyphTableSize entries) for glyph indices; null when none could
    // be built.
    const char16_t* glyph_table = nullptr;
    DeviceRect background{};
    PositionsState positions = PositionsState::kFailed;
    const int32_t* x = nullptr;       // glyph_count positions when kGiven
    const int32_t* advance = nullptr; // glyph_count whole-pixel advances; null when unknown
};

struct ExtractedItem {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
    std::u16string text;
};

// The call's characters: glyphs the map does not know, and zero characters, become
// kUnknownCharacter. Empty when the call's glyphs cannot be read at all (no string, or glyph
// indices without a map).
std::u16string CallText(const TextOutCall& call);

// The items of the call in order; their texts together are CallText. Every item spans the
// background's height. Without usable positions or advances the whole text is one item
// with the background's box.
std::vector<ExtractedItem> ExtractItems(const TextOutCall& call, uint32_t threshold);
