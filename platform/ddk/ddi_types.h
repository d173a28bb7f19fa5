#pragma once
#include <windows.h>

// The graphics driver interface as a printer driver and its rendering plug-ins see it: the
// objects the graphics engine hands to the driver's hooks, the hook table, and the engine's
// string and font services. Only what the capture needs is declared; objects the capture
// passes on without reading are left incomplete.

typedef ULONG FLONG;
typedef ULONG HGLYPH;
typedef LONG FIX;
typedef LONG PTRDIFF;
typedef SHORT FWORD;
typedef ULONG MIX;
typedef LONG_PTR(APIENTRY* PFN)();

typedef struct DHPDEV__* DHPDEV;
typedef struct DHSURF__* DHSURF;
typedef struct HSURF__* HSURF;
typedef struct HDEV__* HDEV;

struct CLIPOBJ;
struct BRUSHOBJ;
struct DEVINFO;
union GLYPHDEF;

// Graphics calls, by their index in a driver's hook table.
constexpr ULONG INDEX_DrvTextOut = 23;
constexpr ULONG INDEX_DrvStartPage = 33;
constexpr ULONG INDEX_DrvEndDoc = 34;
constexpr ULONG INDEX_DrvStartDoc = 35;

constexpr ULONG DDI_DRIVER_VERSION_NT4 = 0x00020000;

// DrvEndDoc flags: the application aborted the document.
constexpr FLONG ED_ABORTDOC = 0x00000001;

// STROBJ.flAccel: the string of the call holds glyph indices, not characters.
constexpr FLONG SO_GLYPHINDEX_TEXTOUT = 0x00000100;

// What an engine service answers on failure where its result is otherwise a BOOL.
constexpr BOOL DDI_ERROR = static_cast<BOOL>(0xFFFFFFFF);

// Hook functions travel through the hook tables as PFN.
template <class Fn> PFN ToPfn(Fn fn) {
    return reinterpret_cast<PFN>(reinterpret_cast<void*>(fn));
}
template <class Fn> Fn FromPfn(PFN pfn) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(pfn));
}

struct DRVFN {
    ULONG iFunc;
    PFN pfn;
};

struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
};

struct SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev; // the plug-in's DEVOBJ
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
};

struct GLYPHPOS {
    HGLYPH hg;
    GLYPHDEF* pgdf;
    POINTL ptl; // the glyph's origin on the baseline, in device pixels
};

struct STROBJ {
    ULONG cGlyphs;
    FLONG flAccel;
    ULONG ulCharInc; // non-zero: fixed pitch, only the first position is given
    RECTL rclBkGround;
    GLYPHPOS* pgp; // null: the positions are enumerated
    LPWSTR pwszOrg;
};

struct FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
};

// A fixed-point vector: each component's high 32 bits hold a 28.4 value.
struct POINTQF {
    LARGE_INTEGER x;
    LARGE_INTEGER y;
};

// The dp... members are byte offsets from the structure's start.
struct IFIMETRICS {
    ULONG cjThis;
    ULONG cjIfiExtra;
    PTRDIFF dpwszFamilyName;
    PTRDIFF dpwszStyleName;
    PTRDIFF dpwszFaceName;
    PTRDIFF dpwszUniqueName;
    PTRDIFF dpFontSim;
    LONG lEmbedId;
    LONG lItalicAngle;
    LONG lCharBias;
    PTRDIFF dpCharSets;
    BYTE jWinCharSet;
    BYTE jWinPitchAndFamily;
    USHORT usWinWeight;
    ULONG flInfo;
    USHORT fsSelection;
    USHORT fsType;
    FWORD fwdUnitsPerEm;
    FWORD fwdLowestPPEm;
    FWORD fwdWinAscender;
    FWORD fwdWinDescender;
    FWORD fwdMacAscender;
    FWORD fwdMacDescender;
    FWORD fwdMacLineGap;
    FWORD fwdTypoAscender;
    FWORD fwdTypoDescender;
    FWORD fwdTypoLineGap;
    FWORD fwdAveCharWidth;
    FWORD fwdMaxCharInc;
    FWORD fwdCapHeight;
    FWORD fwdXHeight;
    FWORD fwdSubscriptXSize;
    FWORD fwdSubscriptYSize;
    FWORD fwdSubscriptXOffset;
    FWORD fwdSubscriptYOffset;
    FWORD fwdSuperscriptXSize;
    FWORD fwdSuperscriptYSize;
    FWORD fwdSuperscriptXOffset;
    FWORD fwdSuperscriptYOffset;
    FWORD fwdUnderscoreSize;
    FWORD fwdUnderscorePosition;
    FWORD fwdStrikeoutSize;
    FWORD fwdStrikeoutPosition;
    BYTE chFirstChar;
    BYTE chLastChar;
    BYTE chDefaultChar;
    BYTE chBreakChar;
    WCHAR wcFirstChar;
    WCHAR wcLastChar;
    WCHAR wcDefaultChar;
    WCHAR wcBreakChar;
    POINTL ptlBaseline;
    POINTL ptlAspect;
    POINTL ptlCaret;
    RECTL rclFontBox;
    BYTE achVendId[4];
    ULONG cKerningPairs;
    ULONG ulPanoseCulture;
    PANOSE panose;
#ifdef _WIN64
    PVOID Align;
#endif
};

struct WCRUN {
    WCHAR wcLow;
    USHORT cGlyphs;
    HGLYPH* phg;
};

// The Unicode characters a font supports, as runs; awcrun holds cRuns entries.
struct FD_GLYPHSET {
    ULONG cjThis;
    FLONG flAccel;
    ULONG cGlyphsSupported;
    ULONG cRuns;
    WCRUN awcrun[1];
};

struct CIECHROMA {
    LONG x;
    LONG y;
    LONG Y;
};

struct COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LONG RedGamma;
    LONG GreenGamma;
    LONG BlueGamma;
    LONG MagentaInCyanDye;
    LONG YellowInCyanDye;
    LONG CyanInMagentaDye;
    LONG YellowInMagentaDye;
    LONG CyanInYellowDye;
    LONG MagentaInYellowDye;
};

struct GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
};

// The engine's string and font services. A user-mode driver imports them from gdi32.
extern "C" {
// The next batch of glyph positions: TRUE when more batches follow, FALSE with the last one,
// DDI_ERROR on failure.
BOOL APIENTRY STROBJ_bEnumPositionsOnly(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);
// The advance vectors of c glyphs from iFirst on.
BOOL APIENTRY STROBJ_bGetAdvanceWidths(STROBJ* pso, ULONG iFirst, ULONG c, POINTQF* pptqD);
IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo);
FD_GLYPHSET* APIENTRY FONTOBJ_pfdg(FONTOBJ* pfo);
}

// The layouts the engine and the spooler's driver host share with a 64-bit module.
#ifdef _WIN64
#include <stddef.h>
static_assert(sizeof(DRVFN) == 16 && offsetof(DRVFN, pfn) == 8, "DRVFN");
static_assert(sizeof(DRVENABLEDATA) == 16 && offsetof(DRVENABLEDATA, pdrvfn) == 8, "DRVENABLEDATA");
static_assert(sizeof(SURFOBJ) == 80, "SURFOBJ");
static_assert(offsetof(SURFOBJ, dhpdev) == 16 && offsetof(SURFOBJ, sizlBitmap) == 32 &&
                  offsetof(SURFOBJ, lDelta) == 64 && offsetof(SURFOBJ, iType) == 76,
              "SURFOBJ members");
static_assert(sizeof(GLYPHPOS) == 24 && offsetof(GLYPHPOS, ptl) == 16, "GLYPHPOS");
static_assert(sizeof(STROBJ) == 48, "STROBJ");
static_assert(offsetof(STROBJ, rclBkGround) == 12 && offsetof(STROBJ, pgp) == 32 &&
                  offsetof(STROBJ, pwszOrg) == 40,
              "STROBJ members");
static_assert(sizeof(FONTOBJ) == 64 && offsetof(FONTOBJ, iTTUniq) == 16 &&
                  offsetof(FONTOBJ, sizLogResPpi) == 32 && offsetof(FONTOBJ, pvProducer) == 56,
              "FONTOBJ");
static_assert(sizeof(POINTQF) == 16, "POINTQF");
static_assert(sizeof(IFIMETRICS) == 192, "IFIMETRICS");
static_assert(offsetof(IFIMETRICS, dpwszFaceName) == 16 &&
                  offsetof(IFIMETRICS, jWinCharSet) == 44 &&
                  offsetof(IFIMETRICS, fwdUnitsPerEm) == 56 &&
                  offsetof(IFIMETRICS, ptlBaseline) == 120 && offsetof(IFIMETRICS, panose) == 172,
              "IFIMETRICS members");
static_assert(sizeof(WCRUN) == 16 && offsetof(WCRUN, phg) == 8, "WCRUN");
static_assert(offsetof(FD_GLYPHSET, cRuns) == 12 && offsetof(FD_GLYPHSET, awcrun) == 16,
              "FD_GLYPHSET");
static_assert(sizeof(COLORINFO) == 120, "COLORINFO");
static_assert(offsetof(GDIINFO, ulLogPixelsY) == 44 && offsetof(GDIINFO, ciDevice) == 108 &&
                  offsetof(GDIINFO, ulDevicePelsDPI) == 228 && offsetof(GDIINFO, pHTPatA) == 280,
              "GDIINFO members");
static_assert(sizeof(GDIINFO) == 320, "GDIINFO");
#endif
