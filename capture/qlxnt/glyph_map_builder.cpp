#include "glyph_map_builder.h"

#include <stddef.h>

#include <algorithm>

#include <vector>

#include "glyph_set.h"

namespace {

constexpr int kProbeFontHeight = 42;

class SelectedFont {
public:
    SelectedFont(HDC dc, HFONT font) : dc_(dc), font_(font) {
        previous_ = font_ ? SelectObject(dc_, font_) : nullptr;
    }
    ~SelectedFont() {
        if (previous_)
            SelectObject(dc_, previous_);
        if (font_)
            DeleteObject(font_);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;
    bool Ok() const { return font_ && previous_ && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ previous_ = nullptr;
};

HFONT CreateProbeFont(const std::u16string& face, BYTE charset) {
    LOGFONTW logfont = {};
    logfont.lfHeight = kProbeFontHeight;
    logfont.lfCharSet = charset;
    const size_t chars = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    face.copy(reinterpret_cast<char16_t*>(logfont.lfFaceName), chars);
    return CreateFontIndirectW(&logfont);
}

std::vector<char16_t> SupportedCharacters(const FD_GLYPHSET& glyph_set) {
    const size_t runs = BoundedRunCount(glyph_set.cjThis, glyph_set.cRuns,
                                        offsetof(FD_GLYPHSET, awcrun), sizeof(WCRUN));
    std::vector<GlyphRun> listed(runs);
    for (size_t i = 0; i < runs; ++i)
        listed[i] = {glyph_set.awcrun[i].wcLow, glyph_set.awcrun[i].cGlyphs};
    return ListSupportedCharacters(listed.data(), listed.size(), glyph_set.cGlyphsSupported);
}

} // namespace

GlyphTable BuildGlyphMap(HDC dc, const std::u16string& face, BYTE charset,
                         const FD_GLYPHSET* glyph_set) {
    if (!dc || !glyph_set)
        return nullptr;
    const std::vector<char16_t> chars = SupportedCharacters(*glyph_set);
    if (chars.empty())
        return nullptr;
    std::vector<WORD> glyphs(chars.size());
    DWORD answered;
    {
        SelectedFont font(dc, CreateProbeFont(face, charset));
        if (!font.Ok())
            return nullptr;
        answered = GetGlyphIndicesW(dc, reinterpret_cast<LPCWSTR>(chars.data()),
                                    static_cast<int>(chars.size()), glyphs.data(),
                                    GGI_MARK_NONEXISTING_GLYPHS);
    }
    if (answered == GDI_ERROR || answered == 0 || answered > chars.size())
        return nullptr;
    GlyphTable table = NewGlyphTable();
    if (table)
        FillGlyphTable(chars.data(), glyphs.data(), answered, table.get());
    return table;
}
