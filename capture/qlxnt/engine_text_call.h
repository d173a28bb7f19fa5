#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ddi_types.h"
#include "text_extractor.h"

// One text-output call as the graphics engine reports it: the font's face name and character
// set, the glyphs' positions and advances. Every count the engine gives is bounded by the
// call's own glyph count; what the engine cannot give degrades the call as text extraction
// allows, never reads past what it handed out.
class EngineTextCall {
public:
    EngineTextCall(STROBJ& string, FONTOBJ* font);
    EngineTextCall(const EngineTextCall&) = delete;
    EngineTextCall& operator=(const EngineTextCall&) = delete;

    // False when the font's metrics are missing: such a call gives no text.
    bool HasFont() const { return has_font_; }
    const std::u16string& Face() const { return face_; }
    BYTE Charset() const { return charset_; }
    bool GlyphIndices() const { return call_.glyph_indices; }

    // Positions and advances are asked for only here, once the caller knows it wants them.
    // glyph_table is the font's map for glyph indices (null when it has none).
    const TextOutCall& Describe(const char16_t* glyph_table);

private:
    void ReadFont(FONTOBJ* font);
    void ReadPositions();
    void ReadAdvances();

    STROBJ& string_;
    size_t count_;
    bool has_font_ = false;
    std::u16string face_;
    BYTE charset_ = 0;
    std::vector<int32_t> x_;
    std::vector<int32_t> advance_;
    TextOutCall call_;
};
