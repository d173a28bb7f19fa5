#include "emf_pages.h"

namespace {

constexpr LONG kHundredthsOfMmPerInch = 2540;

// The frame of the page in hundredths of a millimetre, and a mapping that makes one logical
// unit one device pixel of the page.
bool MapPage(HDC emf, const PageGeometry& geometry) {
    const LONG frame_x = MulDiv(geometry.width, kHundredthsOfMmPerInch, geometry.dpi);
    const LONG frame_y = MulDiv(geometry.height, kHundredthsOfMmPerInch, geometry.dpi);
    SetMapMode(emf, MM_ANISOTROPIC);
    SetWindowExtEx(emf, geometry.width, geometry.height, nullptr);
    const int viewport_x =
        MulDiv(frame_x, GetDeviceCaps(emf, HORZRES), GetDeviceCaps(emf, HORZSIZE) * 100);
    const int viewport_y =
        MulDiv(frame_y, GetDeviceCaps(emf, VERTRES), GetDeviceCaps(emf, VERTSIZE) * 100);
    return SetViewportExtEx(emf, viewport_x, viewport_y, nullptr) != FALSE;
}

bool RecordPage(const LaidOutPage& page, const PageGeometry& geometry, PageFonts& fonts,
                bool glyph_indices, const std::wstring& path) {
    HDC screen = GetDC(nullptr);
    const RECT frame = {0, 0, MulDiv(geometry.width, kHundredthsOfMmPerInch, geometry.dpi),
                        MulDiv(geometry.height, kHundredthsOfMmPerInch, geometry.dpi)};
    HDC emf = CreateEnhMetaFileW(screen, path.c_str(), &frame, L"qlx_printdoc\0page\0");
    ReleaseDC(nullptr, screen);
    if (!emf)
        return false;
    bool ok = MapPage(emf, geometry);
    SetTextAlign(emf, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    SetBkMode(emf, TRANSPARENT);
    HGDIOBJ original = nullptr;
    for (const PlacedText& text : page.texts) {
        HGDIOBJ previous = SelectObject(emf, fonts.Font(*text.format));
        if (!original)
            original = previous;
        const UINT n = static_cast<UINT>(text.text.size());
        if (glyph_indices) {
            fonts.Select(*text.format);
            std::vector<WORD> glyphs(n);
            GetGlyphIndicesW(fonts.Dc(), text.text.c_str(), n, glyphs.data(), 0);
            ok = ExtTextOutW(emf, text.x, text.baseline, ETO_GLYPH_INDEX, nullptr,
                             reinterpret_cast<LPCWSTR>(glyphs.data()), n, text.dx.data()) &&
                 ok;
        } else {
            ok = ExtTextOutW(emf, text.x, text.baseline, 0, nullptr, text.text.c_str(), n,
                             text.dx.data()) &&
                 ok;
        }
    }
    if (original)
        SelectObject(emf, original);
    HENHMETAFILE metafile = CloseEnhMetaFile(emf);
    if (!metafile)
        return false;
    DeleteEnhMetaFile(metafile);
    return ok;
}

} // namespace

std::vector<std::wstring> RecordPages(const std::vector<LaidOutPage>& pages,
                                      const PageGeometry& geometry, PageFonts& fonts,
                                      bool glyph_indices, const std::wstring& folder,
                                      std::wstring* error) {
    std::vector<std::wstring> files;
    for (size_t n = 0; n < pages.size(); ++n) {
        wchar_t name[32];
        swprintf(name, 32, L"page%03zu.emf", n + 1);
        const std::wstring path = folder + L"\\" + name;
        if (!RecordPage(pages[n], geometry, fonts, glyph_indices, path)) {
            *error = L"cannot record " + path;
            return {};
        }
        files.push_back(path);
    }
    return files;
}
