#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "page_layout.h"

// Records laid-out pages as EMF files, one per page, the way a program prints: each placed
// text is one ExtTextOutW at its baseline with the advance of every character, in logical
// units of the page's device pixels; with glyph_indices the text goes out as the font's glyph
// indices (ETO_GLYPH_INDEX). Returns the files written; empty with a message on failure.
std::vector<std::wstring> RecordPages(const std::vector<LaidOutPage>& pages,
                                      const PageGeometry& geometry, PageFonts& fonts,
                                      bool glyph_indices, const std::wstring& folder,
                                      std::wstring* error);
