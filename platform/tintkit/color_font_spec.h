#pragma once
#include <windows.h>

// The font description shared by the library's controls and the programs' dialogs and views;
// being a LOGFONTW it goes straight to CreateFontIndirectW.
struct CColorFontSpec : LOGFONTW {
    CColorFontSpec();
};

// The process's one font description. Controls take their font from it when the first of them is
// created; later changes reach fonts made afterwards.
CColorFontSpec* CCGetGlobalFontSpecPtr();

namespace tintkit {
// Fonts made from the global font description, owned by the library for the process's life.
HFONT ControlFont();
HFONT UnderlinedControlFont();
} // namespace tintkit
