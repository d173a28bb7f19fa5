#pragma once
#include <windows.h>

#include "glyph_map_cache.h"

// What the module keeps for as long as it is loaded.
namespace Module {

// At process attach: keeps the instance, loads the product key and reads SplitThreshold.
void Attach(HINSTANCE instance);
// At process detach: frees the glyph maps.
void Detach();

HINSTANCE Instance();
DWORD SplitThreshold();
GlyphMapCache& GlyphMaps();

} // namespace Module
