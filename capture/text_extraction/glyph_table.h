#pragma once
#include <stddef.h>
#include <stdint.h>

#include <memory>

// A glyph map: for each of the 65536 glyph indices of one font, the character the glyph
// shows, 0 where nothing is known.
constexpr size_t kGlyphTableSize = 65536;
using GlyphTable = std::unique_ptr<char16_t[]>;

// A table of zeros; null when out of memory.
GlyphTable NewGlyphTable();

// What the table says for a character c that the font draws with glyph g: spaces of every
// width become U+0020, dashes U+002D, and a private-use character (a symbol font's) is
// derived from its glyph index.
char16_t TableEntryFor(char16_t c, uint16_t glyph);

// The glyph index the system reports for a character the font does not have.
constexpr uint16_t kNonexistentGlyph = 0xFFFF;

// Enters the pairs (chars[i], glyphs[i]) in order; a later pair for the same glyph wins.
// Characters the font does not have are skipped.
void FillGlyphTable(const char16_t* chars, const uint16_t* glyphs, size_t count, char16_t* table);
