#include "device_font.h"

#include <math.h>
#include <stddef.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <string>

namespace {

// The most ranges a font's 16-bit characters can fall into: every other character.
constexpr size_t kMostRanges = 0x8000;

// Wine walks a font's characters for GetFontUnicodeRanges on the face it shares between
// threads; two walks at once see each other's steps and the filling call writes more ranges
// than the sizing call counted.
std::mutex g_rangesLock;

// FD_GLYPHSET.flAccel: the glyph handles are the characters themselves.
constexpr FLONG kUnicodeHandles = 0x00000001;

template <class T> T* Bytes(std::vector<ULONG_PTR>& storage, size_t size) {
    storage.assign((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR), 0);
    return reinterpret_cast<T*>(storage.data());
}

} // namespace

std::unique_ptr<DeviceFont> DeviceFont::Realise(const LOGFONTW& logical, double scale_y, ULONG id,
                                                DWORD faults, bool lying_glyph_set) {
    std::unique_ptr<DeviceFont> font(new DeviceFont);
    if (!font->Make(logical, scale_y))
        return nullptr;
    font->DescribeMetrics();
    font->DescribeGlyphSet(lying_glyph_set);
    HostFont& object = font->object_;
    object.fontobj.iUniq = id;
    object.fontobj.iFace = id;
    object.fontobj.flFontType = TRUETYPE_FONTTYPE;
    object.signature = kHostFontSignature;
    object.faults = faults;
    object.metrics = reinterpret_cast<const IFIMETRICS*>(font->ifi_.data());
    object.glyph_set = reinterpret_cast<const FD_GLYPHSET*>(font->glyph_set_.data());
    return font;
}

DeviceFont::~DeviceFont() {
    if (dc_) {
        if (previous_)
            SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    if (font_)
        DeleteObject(font_);
}

bool DeviceFont::Make(const LOGFONTW& logical, double scale_y) {
    logical_ = logical;
    scale_y_ = scale_y;
    LOGFONTW device = logical;
    device.lfHeight = static_cast<LONG>(lround(logical.lfHeight * scale_y));
    device.lfWidth = static_cast<LONG>(lround(logical.lfWidth * scale_y));
    if (logical.lfHeight && !device.lfHeight)
        device.lfHeight = logical.lfHeight < 0 ? -1 : 1;
    dc_ = CreateCompatibleDC(nullptr);
    font_ = CreateFontIndirectW(&device);
    if (!dc_ || !font_)
        return false;
    previous_ = SelectObject(dc_, font_);
    return previous_ && GetTextMetricsW(dc_, &metrics_);
}

void DeviceFont::DescribeMetrics() {
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc_, LF_FACESIZE, face);
    const std::wstring names[] = {face, L"Regular", face, face};
    size_t size = sizeof(IFIMETRICS);
    for (const std::wstring& name : names)
        size += (name.size() + 1) * sizeof(wchar_t);
    auto* ifi = Bytes<IFIMETRICS>(ifi_, size);
    ifi->cjThis = static_cast<ULONG>(size);
    PTRDIFF* offsets[] = {&ifi->dpwszFamilyName, &ifi->dpwszStyleName, &ifi->dpwszFaceName,
                          &ifi->dpwszUniqueName};
    size_t at = sizeof(IFIMETRICS);
    for (size_t i = 0; i < 4; ++i) {
        *offsets[i] = static_cast<PTRDIFF>(at);
        memcpy(reinterpret_cast<BYTE*>(ifi) + at, names[i].c_str(),
               (names[i].size() + 1) * sizeof(wchar_t));
        at += (names[i].size() + 1) * sizeof(wchar_t);
    }
    ifi->jWinCharSet = metrics_.tmCharSet;
    ifi->jWinPitchAndFamily = metrics_.tmPitchAndFamily;
    ifi->usWinWeight = static_cast<USHORT>(metrics_.tmWeight);
    ifi->fwdUnitsPerEm = 2048;
    ifi->fwdWinAscender = static_cast<FWORD>(metrics_.tmAscent);
    ifi->fwdWinDescender = static_cast<FWORD>(metrics_.tmDescent);
    ifi->fwdAveCharWidth = static_cast<FWORD>(metrics_.tmAveCharWidth);
    ifi->fwdMaxCharInc = static_cast<FWORD>(metrics_.tmMaxCharWidth);
    ifi->wcFirstChar = metrics_.tmFirstChar;
    ifi->wcLastChar = metrics_.tmLastChar;
    ifi->wcDefaultChar = metrics_.tmDefaultChar;
    ifi->wcBreakChar = metrics_.tmBreakChar;
}

// The font's supported characters as the engine lists them. A lying glyph set claims far
// more runs and characters than it holds.
void DeviceFont::DescribeGlyphSet(bool lying) {
    std::vector<ULONG_PTR> ranges_storage;
    const GLYPHSET* ranges = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_rangesLock);
        const size_t most = offsetof(GLYPHSET, ranges) + kMostRanges * sizeof(WCRANGE);
        const DWORD bytes = GetFontUnicodeRanges(dc_, nullptr);
        // Room for any answer, should the filling call still count differently.
        if (bytes)
            ranges = Bytes<GLYPHSET>(ranges_storage, bytes > most ? bytes : most);
        if (ranges && !GetFontUnicodeRanges(dc_, const_cast<GLYPHSET*>(ranges)))
            ranges = nullptr;
    }
    const ULONG runs = ranges ? std::min<ULONG>(ranges->cRanges, kMostRanges) : 0;
    const size_t size = offsetof(FD_GLYPHSET, awcrun) + (runs ? runs : 1) * sizeof(WCRUN);
    auto* set = Bytes<FD_GLYPHSET>(glyph_set_, size);
    set->cjThis = static_cast<ULONG>(size);
    set->flAccel = kUnicodeHandles;
    set->cGlyphsSupported = ranges ? ranges->cGlyphsSupported : 0;
    set->cRuns = runs;
    for (ULONG i = 0; i < runs; ++i)
        set->awcrun[i] = {ranges->ranges[i].wcLow, ranges->ranges[i].cGlyphs, nullptr};
    if (lying) {
        set->cRuns = 0x7FFFFFFF;
        set->cGlyphsSupported = 0xFFFFFFFF;
    }
}

std::vector<WORD> DeviceFont::GlyphIndices(const wchar_t* chars, size_t count) const {
    std::vector<WORD> glyphs(count);
    if (count &&
        GetGlyphIndicesW(dc_, chars, static_cast<int>(count), glyphs.data(), 0) == GDI_ERROR)
        glyphs.assign(count, 0);
    return glyphs;
}

std::vector<LONG> DeviceFont::Advances(const WORD* glyphs, size_t count) const {
    std::vector<LONG> advances(count, 0);
    for (size_t i = 0; i < count; ++i) {
        ABC abc;
        if (GetCharABCWidthsI(dc_, glyphs[i], 1, nullptr, &abc))
            advances[i] = abc.abcA + static_cast<LONG>(abc.abcB) + abc.abcC;
    }
    return advances;
}
