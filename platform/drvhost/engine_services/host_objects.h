#pragma once
#include <windows.h>

#include "ddi_types.h"

// The string and font objects the driver host hands to a module's text hook. Each begins with
// the object the module sees, so that the engine services find the host's record behind it.
// Plain data: the host fills them, the services only read them.

constexpr DWORD kHostStringSignature = 0x52545348; // 'HSTR'
constexpr DWORD kHostFontSignature = 0x544E4648;   // 'HFNT'

// Faults the services can be told to answer with.
enum EngineFault : DWORD {
    kFaultEnumerationError = 0x01, // STROBJ_bEnumPositionsOnly answers DDI_ERROR
    kFaultAdvanceWidths = 0x02,    // STROBJ_bGetAdvanceWidths fails
    kFaultNoMetrics = 0x04,        // FONTOBJ_pifi answers null
    kFaultNoGlyphSet = 0x08,       // FONTOBJ_pfdg answers null
    kFaultShortEnumeration = 0x10, // the last batch holds one position too few
};

struct HostString {
    STROBJ strobj;
    DWORD signature;
    DWORD faults;
    const GLYPHPOS* positions; // every glyph's, for enumeration
    ULONG position_count;
    ULONG batch; // positions per enumeration batch; 0 hands them out at once
    ULONG next;  // the next position to enumerate
    const POINTQF* advances;
    ULONG advance_count;
};

struct HostFont {
    FONTOBJ fontobj;
    DWORD signature;
    DWORD faults;
    const IFIMETRICS* metrics;
    const FD_GLYPHSET* glyph_set;
};
