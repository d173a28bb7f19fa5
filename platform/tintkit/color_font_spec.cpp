#include "color_font_spec.h"

#include <cwchar>

#include "gdi_object.h"

CColorFontSpec::CColorFontSpec() : LOGFONTW{} {
    lfHeight = -11;
    lfWeight = FW_NORMAL;
    lfCharSet = DEFAULT_CHARSET;
    lfOutPrecision = OUT_DEFAULT_PRECIS;
    lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lfQuality = DEFAULT_QUALITY;
    lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    wcsncpy(lfFaceName, L"Tahoma", LF_FACESIZE - 1);
}

CColorFontSpec* CCGetGlobalFontSpecPtr() {
    static CColorFontSpec spec;
    return &spec;
}

namespace tintkit {

HFONT ControlFont() {
    static GdiObject<HFONT> font(CreateFontIndirectW(CCGetGlobalFontSpecPtr()));
    return font.Get();
}

HFONT UnderlinedControlFont() {
    static GdiObject<HFONT> font([] {
        LOGFONTW spec = *CCGetGlobalFontSpecPtr();
        spec.lfUnderline = TRUE;
        return CreateFontIndirectW(&spec);
    }());
    return font.Get();
}

} // namespace tintkit
