#include "glyph_table.h"

#include <new>

namespace {

bool IsSpace(char16_t c) {
    return c == 0x0020 || c == 0x00A0 || (c >= 0x2000 && c <= 0x200B) || c == 0x2060 || c == 0x3000;
}

bool IsDash(char16_t c) {
    return c >= 0x2010 && c <= 0x2014;
}

bool IsPrivateUse(char16_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}

// A symbol font's private-use character, from its glyph index: the index shifted by 28,
// with quotes and dashes folded to their plain forms.
char16_t PrivateUseEntry(uint16_t glyph) {
    const uint16_t v = static_cast<uint16_t>(glyph + 28);
    switch (v) {
    case 146:
        return u'\'';
    case 147:
    case 148:
        return u'"';
    case 150:
    case 151:
        return u'-';
    default:
        return static_cast<char16_t>(v);
    }
}

} // namespace

GlyphTable NewGlyphTable() {
    return GlyphTable(new (std::nothrow) char16_t[kGlyphTableSize]());
}

char16_t TableEntryFor(char16_t c, uint16_t glyph) {
    if (IsPrivateUse(c))
        return PrivateUseEntry(glyph);
    if (IsSpace(c))
        return u' ';
    if (IsDash(c))
        return u'-';
    return c;
}

void FillGlyphTable(const char16_t* chars, const uint16_t* glyphs, size_t count, char16_t* table) {
    for (size_t i = 0; i < count; ++i) {
        if (glyphs[i] == kNonexistentGlyph)
            continue;
        table[glyphs[i]] = TableEntryFor(chars[i], glyphs[i]);
    }
}
