#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "host_objects.h"

// A font as the device realises it: the page's logical font scaled to device pixels and
// selected into a measuring context without a transform, with the engine's description of
// it (metrics with the face name, the glyph set of supported characters) behind a FONTOBJ.
class DeviceFont {
public:
    // Null when the font cannot be made. faults are engine faults for its services.
    static std::unique_ptr<DeviceFont> Realise(const LOGFONTW& logical, double scale_y, ULONG id,
                                               DWORD faults, bool lying_glyph_set);
    ~DeviceFont();
    DeviceFont(const DeviceFont&) = delete;
    DeviceFont& operator=(const DeviceFont&) = delete;

    const LOGFONTW& Logical() const { return logical_; }
    double Scale() const { return scale_y_; }
    FONTOBJ* Object() { return &object_.fontobj; }
    LONG Ascent() const { return metrics_.tmAscent; }
    LONG Descent() const { return metrics_.tmDescent; }
    bool FixedPitch() const { return (metrics_.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0; }

    std::vector<WORD> GlyphIndices(const wchar_t* chars, size_t count) const;
    // Whole-pixel advances of the glyphs.
    std::vector<LONG> Advances(const WORD* glyphs, size_t count) const;

private:
    DeviceFont() = default;
    bool Make(const LOGFONTW& logical, double scale_y);
    void DescribeMetrics();
    void DescribeGlyphSet(bool lying);

    LOGFONTW logical_{};
    double scale_y_ = 1;
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    TEXTMETRICW metrics_{};
    std::vector<ULONG_PTR> ifi_;       // IFIMETRICS and its strings
    std::vector<ULONG_PTR> glyph_set_; // FD_GLYPHSET and its runs
    HostFont object_{};
};
