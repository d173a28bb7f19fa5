#pragma once
#include <windows.h>

#include <string>

#include "ddi_types.h"
#include "glyph_table.h"

// Builds a font's glyph map on a printer device context: the characters the font's glyph
// set lists are asked for their glyph indices in a font of that face and character set.
// Null when the font cannot be asked (no glyph set, no font, a failed request): such a map
// is not kept, so a later document tries again.
GlyphTable BuildGlyphMap(HDC dc, const std::u16string& face, BYTE charset,
                         const FD_GLYPHSET* glyph_set);
