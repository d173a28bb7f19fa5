#include "text_call.h"

#include <math.h>
#include <stdint.h>

namespace {

// A record's glyphs beyond this are not believed.
constexpr size_t kMaxRecordGlyphs = 1 << 16;
// Where a module that ignores a fixed pitch would place the glyphs after the first.
constexpr LONG kInvalidPosition = INT32_MIN / 2;

bool Inside(size_t offset, size_t bytes, size_t size) {
    return offset <= size && bytes <= size - offset;
}

LONG DeviceX(HDC dc, double logical_x, LONG logical_y) {
    POINT p = {static_cast<LONG>(lround(logical_x)), logical_y};
    LPtoDP(dc, &p, 1);
    return p.x;
}

} // namespace

bool TextCall::ReadRecord(const EMREXTTEXTOUTW& record, size_t record_size) {
    const EMRTEXT& text = record.emrtext;
    const size_t n = text.nChars;
    if (n == 0 || n > kMaxRecordGlyphs || !Inside(text.offString, n * sizeof(WCHAR), record_size))
        return false;
    const auto* base = reinterpret_cast<const BYTE*>(&record);
    const auto* string = reinterpret_cast<const WCHAR*>(base + text.offString);
    const bool glyph_record = text.fOptions & ETO_GLYPH_INDEX;
    if (glyph_record)
        glyphs_.assign(string, string + n);
    else
        characters_.assign(string, n);
    logical_dx_.clear();
    const size_t step = (text.fOptions & ETO_PDY) ? 2 : 1;
    if (text.offDx && Inside(text.offDx, n * step * sizeof(INT), record_size)) {
        const auto* dx = reinterpret_cast<const INT*>(base + text.offDx);
        for (size_t i = 0; i < n; ++i)
            logical_dx_.push_back(dx[i * step]);
    }
    return true;
}

// Glyph origins: from the reference point along the record's spacing (or the font's own
// advances where it has none), aligned as the context's text alignment says.
void TextCall::Place(HDC playback, const EMREXTTEXTOUTW& record, const DeviceFont& font) {
    const size_t n = glyphs_.size();
    const POINTL ref = record.emrtext.ptlReference;
    std::vector<double> logical(n);
    double width = 0;
    for (size_t i = 0; i < n; ++i) {
        logical[i] = width;
        width += logical_dx_.empty() ? advances_[i] / font.Scale() : logical_dx_[i];
    }
    const UINT align = GetTextAlign(playback);
    double start = ref.x;
    if ((align & TA_CENTER) == TA_CENTER)
        start -= width / 2;
    else if (align & TA_RIGHT)
        start -= width;
    x_.resize(n);
    for (size_t i = 0; i < n; ++i)
        x_[i] = DeviceX(playback, start + logical[i], ref.y);
    POINT origin = {ref.x, ref.y};
    LPtoDP(playback, &origin, 1);
    baseline_ = origin.y;
    // TA_BASELINE holds TA_BOTTOM's bit.
    if ((align & TA_BASELINE) != TA_BASELINE)
        baseline_ += (align & TA_BOTTOM) ? -font.Descent() : font.Ascent();
}

// A fixed-pitch run whose spacing is the font's own: as the engine does, it goes out with a
// constant increment, and only the first position is valid.
bool TextCall::ConstantPitch(const DeviceFont& font) const {
    if (!font.FixedPitch() || glyphs_.size() < 2)
        return false;
    for (size_t i = 1; i < glyphs_.size(); ++i) {
        if (advances_[i] != advances_[0] ||
            (!logical_dx_.empty() && logical_dx_[i - 1] != logical_dx_[0]))
            return false;
    }
    return true;
}

void TextCall::Describe(const DeviceFont& font, const TextCallOptions& options, bool glyph_record) {
    const size_t n = glyphs_.size();
    STROBJ& s = object_.strobj;
    s.cGlyphs = static_cast<ULONG>(n);
    s.ulCharInc = ConstantPitch(font) ? static_cast<ULONG>(advances_[0]) : 0;
    positions_.resize(n);
    advance_vectors_.assign(n, POINTQF{});
    for (size_t i = 0; i < n; ++i) {
        if (s.ulCharInc && i)
            x_[i] = x_[0] + static_cast<LONG>(i * s.ulCharInc);
        positions_[i] = {glyphs_[i], nullptr, {x_[i], baseline_}};
        advance_vectors_[i].x.HighPart = advances_[i] * 16;
    }
    handed_out_ = positions_;
    if (s.ulCharInc) {
        for (size_t i = 1; i < n; ++i)
            handed_out_[i].ptl.x = kInvalidPosition;
    }
    s.rclBkGround = {x_[0], baseline_ - font.Ascent(), x_[n - 1] + advances_[n - 1],
                     baseline_ + font.Descent()};
    const bool as_glyphs = glyph_record || options.glyph_indices;
    s.flAccel = as_glyphs ? SO_GLYPHINDEX_TEXTOUT : 0;
    if (as_glyphs)
        original_.assign(glyphs_.begin(), glyphs_.end());
    else
        original_ = characters_;
    s.pwszOrg = original_.data();
    s.pgp = options.positions == PositionMode::kGiven ? handed_out_.data() : nullptr;

    object_.signature = kHostStringSignature;
    object_.faults = options.faults;
    object_.positions = handed_out_.data();
    object_.position_count = static_cast<ULONG>(n);
    object_.batch = options.positions == PositionMode::kBatches ? 2 : 0;
    object_.next = 0;
    object_.advances = advance_vectors_.data();
    object_.advance_count = static_cast<ULONG>(n);
}

bool TextCall::Build(HDC playback, const EMREXTTEXTOUTW& record, size_t record_size,
                     DeviceFont& font, const TextCallOptions& options) {
    characters_.clear();
    glyphs_.clear();
    if (!ReadRecord(record, record_size))
        return false;
    const bool glyph_record = record.emrtext.fOptions & ETO_GLYPH_INDEX;
    if (!glyph_record)
        glyphs_ = font.GlyphIndices(characters_.data(), characters_.size());
    advances_ = font.Advances(glyphs_.data(), glyphs_.size());
    Place(playback, record, font);
    Describe(font, options, glyph_record);
    return true;
}
