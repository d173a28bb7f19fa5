#pragma once
#include "oem_plugin.h"

// The graphics calls the module hooks, in the order of its hook table: start of document,
// end of document, start of page, text output. Every hook returns TRUE whatever fails, so the
// spooler never sees an error from the capture.
constexpr ULONG kHookCount = 4;
extern const DRVFN kHookTable[kHookCount];

BOOL APIENTRY OEMStartDoc(SURFOBJ* pso, PWSTR pwszDocName, DWORD dwJobId);
BOOL APIENTRY OEMEndDoc(SURFOBJ* pso, FLONG fl);
BOOL APIENTRY OEMStartPage(SURFOBJ* pso);
BOOL APIENTRY OEMTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                         MIX mix);
