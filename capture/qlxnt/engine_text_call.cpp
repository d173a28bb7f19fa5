#include "engine_text_call.h"

#include <stddef.h>

#include <algorithm>

#include "font_metrics.h"
#include "run_splitter.h"

EngineTextCall::EngineTextCall(STROBJ& string, FONTOBJ* font)
    : string_(string), count_(std::min<size_t>(string.cGlyphs, kMaxGlyphsPerCall)) {
    call_.glyph_count = count_;
    call_.string = reinterpret_cast<const char16_t*>(string.pwszOrg);
    call_.glyph_indices = (string.flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
    call_.background = {string.rclBkGround.left, string.rclBkGround.top, string.rclBkGround.right,
                        string.rclBkGround.bottom};
    ReadFont(font);
}

void EngineTextCall::ReadFont(FONTOBJ* font) {
    const IFIMETRICS* metrics = font ? FONTOBJ_pifi(font) : nullptr;
    if (!metrics || metrics->cjThis < offsetof(IFIMETRICS, jWinCharSet) + 1)
        return;
    has_font_ = true;
    face_ = FaceFromMetrics(metrics, metrics->cjThis, metrics->dpwszFaceName);
    charset_ = metrics->jWinCharSet;
}

void EngineTextCall::ReadPositions() {
    call_.positions = PositionsState::kFailed;
    if (count_ == 0)
        return;
    const GLYPHPOS* positions = string_.pgp;
    ULONG given = static_cast<ULONG>(count_);
    if (!positions) {
        GLYPHPOS* batch = nullptr;
        const BOOL more = STROBJ_bEnumPositionsOnly(&string_, &given, &batch);
        if (more == DDI_ERROR || !batch)
            return;
        if (more) {
            call_.positions = PositionsState::kLaterBatches;
            return;
        }
        positions = batch;
    }
    // With a fixed pitch only the first position is valid; without, every glyph needs one.
    if (given < (string_.ulCharInc ? 1u : count_))
        return;
    x_.resize(count_);
    if (string_.ulCharInc) {
        x_[0] = positions[0].ptl.x;
        DeriveFixedPitchPositions(string_.ulCharInc, count_, x_.data());
    } else {
        for (size_t i = 0; i < count_; ++i)
            x_[i] = positions[i].ptl.x;
    }
    call_.positions = PositionsState::kGiven;
    call_.x = x_.data();
}

void EngineTextCall::ReadAdvances() {
    call_.advance = nullptr;
    if (count_ == 0)
        return;
    std::vector<POINTQF> vectors(count_);
    const BOOL ok =
        STROBJ_bGetAdvanceWidths(&string_, 0, static_cast<ULONG>(count_), vectors.data());
    if (!ok || ok == DDI_ERROR)
        return;
    advance_.resize(count_);
    for (size_t i = 0; i < count_; ++i)
        advance_[i] = WholePixelAdvance(vectors[i].x.HighPart);
    call_.advance = advance_.data();
}

const TextOutCall& EngineTextCall::Describe(const char16_t* glyph_table) {
    call_.glyph_table = glyph_table;
    ReadPositions();
    ReadAdvances();
    return call_;
}
