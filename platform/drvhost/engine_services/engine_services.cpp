// The graphics engine's string and font services, which Wine's gdi32 does not export, played
// from the objects the driver host made for the call.
#include <string.h>

#include "host_objects.h"

namespace {

HostString* HostStringOf(STROBJ* string) {
    auto* host = reinterpret_cast<HostString*>(string);
    return host && host->signature == kHostStringSignature ? host : nullptr;
}

HostFont* HostFontOf(FONTOBJ* font) {
    auto* host = reinterpret_cast<HostFont*>(font);
    return host && host->signature == kHostFontSignature ? host : nullptr;
}

} // namespace

extern "C" {

BOOL APIENTRY STROBJ_bEnumPositionsOnly(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos) {
    HostString* host = HostStringOf(pstro);
    if (!host || !pc || !ppgpos || (host->faults & kFaultEnumerationError))
        return DDI_ERROR;
    const ULONG left = host->position_count - host->next;
    const ULONG count = host->batch && host->batch < left ? host->batch : left;
    *ppgpos = const_cast<GLYPHPOS*>(host->positions + host->next);
    host->next += count;
    const bool more = host->next < host->position_count;
    *pc = !more && count && (host->faults & kFaultShortEnumeration) ? count - 1 : count;
    return more ? TRUE : FALSE;
}

BOOL APIENTRY STROBJ_bGetAdvanceWidths(STROBJ* pso, ULONG iFirst, ULONG c, POINTQF* pptqD) {
    HostString* host = HostStringOf(pso);
    if (!host || !pptqD || (host->faults & kFaultAdvanceWidths) || iFirst > host->advance_count ||
        c > host->advance_count - iFirst)
        return FALSE;
    memcpy(pptqD, host->advances + iFirst, c * sizeof(POINTQF));
    return TRUE;
}

IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo) {
    HostFont* host = HostFontOf(pfo);
    if (!host || (host->faults & kFaultNoMetrics))
        return nullptr;
    return const_cast<IFIMETRICS*>(host->metrics);
}

FD_GLYPHSET* APIENTRY FONTOBJ_pfdg(FONTOBJ* pfo) {
    HostFont* host = HostFontOf(pfo);
    if (!host || (host->faults & kFaultNoGlyphSet))
        return nullptr;
    return const_cast<FD_GLYPHSET*>(host->glyph_set);
}

} // extern "C"
