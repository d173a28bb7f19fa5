#include <gtest/gtest.h>

#include "tintkit.h"

namespace {

// Bitmap 200 of the test program: 16 x 8, colour table {0x102030, 0xC04020, 0x20A050,
// 0xF0F0F0, black...}; pixel (0, 0) has colour 0, the rest of the top half colours 1 (left) and
// 2 (right), the bottom half colour 3.
constexpr UINT kTestBitmap = 200;
constexpr UINT kMissingBitmap = 4242;

class MemoryCanvas {
public:
    MemoryCanvas(int width, int height) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~MemoryCanvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

TEST(DrawingEngine, DrawsTheProgramsBitmapAtThePlaceGiven) {
    CDrawingEngine engine;
    MemoryCanvas canvas(64, 64);
    ASSERT_TRUE(engine.DrawBitmap(canvas.Dc(), kTestBitmap, 10, 20));
    struct {
        int x, y;
        COLORREF expected;
    } pixels[] = {{10, 20, RGB(0x10, 0x20, 0x30)}, {11, 20, RGB(0xC0, 0x40, 0x20)},
                  {25, 23, RGB(0x20, 0xA0, 0x50)}, {25, 27, RGB(0xF0, 0xF0, 0xF0)},
                  {9, 20, RGB(0xFF, 0xFF, 0xFF)},  {26, 20, RGB(0xFF, 0xFF, 0xFF)},
                  {10, 28, RGB(0xFF, 0xFF, 0xFF)}};
    for (const auto& p : pixels)
        EXPECT_EQ(GetPixel(canvas.Dc(), p.x, p.y), p.expected) << p.x << "," << p.y;

    EXPECT_FALSE(engine.DrawBitmap(canvas.Dc(), kMissingBitmap, 0, 0));
    EXPECT_EQ(GetPixel(canvas.Dc(), 0, 0), RGB(0xFF, 0xFF, 0xFF));
}

TEST(DrawingEngine, CachedPictureIsOneLastingDc) {
    CDrawingEngine engine;
    HDC picture = engine.GetCachedPicture(kTestBitmap);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(engine.GetCachedPicture(kTestBitmap), picture);
    EXPECT_EQ(GetPixel(picture, 15, 7), RGB(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(engine.GetCachedPicture(kMissingBitmap), nullptr);
    SIZE size{};
    EXPECT_TRUE(engine.GetPictureSize(kTestBitmap, &size));
    EXPECT_EQ(size.cx, 16);
    EXPECT_EQ(size.cy, 8);

    // The library's own page picture serves programs that carry none.
    ASSERT_NE(engine.GetCachedPicture(kPagePicture), nullptr);
    EXPECT_TRUE(engine.GetPictureSize(kPagePicture, &size));
    EXPECT_GT(size.cx, 0);
    EXPECT_EQ(CCGetDrawingEngine(), CCGetDrawingEngine());
}

TEST(DrawingEngine, MainPaletteComesFromTheBitmapsColours) {
    CDrawingEngine engine;
    EXPECT_EQ(engine.MainPalette(), nullptr);
    EXPECT_FALSE(engine.Refresh(GetDesktopWindow())) << "no palette to realize";
    ASSERT_TRUE(engine.SetMainPalette(kTestBitmap));
    HPALETTE palette = engine.MainPalette();
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[4] = {};
    ASSERT_EQ(GetPaletteEntries(palette, 0, 4, entries), 4u);
    const COLORREF expected[] = {RGB(0x10, 0x20, 0x30), RGB(0xC0, 0x40, 0x20),
                                 RGB(0x20, 0xA0, 0x50), RGB(0xF0, 0xF0, 0xF0)};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue), expected[i]) << i;

    // A missing bitmap keeps the palette there is.
    EXPECT_FALSE(engine.SetMainPalette(kMissingBitmap));
    EXPECT_EQ(engine.MainPalette(), palette);
    // A true-colour picture gets a halftone palette.
    EXPECT_TRUE(engine.SetMainPalette(kPagePicture));
    EXPECT_NE(engine.MainPalette(), nullptr);
}

TEST(GlobalFontSpec, MakesTheFontOfTheControls) {
    CColorFontSpec* spec = CCGetGlobalFontSpecPtr();
    ASSERT_EQ(spec, CCGetGlobalFontSpecPtr());
    EXPECT_NE(spec->lfFaceName[0], L'\0');
    EXPECT_LT(spec->lfHeight, 0);
    HFONT font = CreateFontIndirectW(spec);
    ASSERT_NE(font, nullptr);
    DeleteObject(font);

    LOGFONTW used{};
    ASSERT_TRUE(GetObjectW(tintkit::ControlFont(), sizeof used, &used));
    EXPECT_STREQ(used.lfFaceName, spec->lfFaceName);
    EXPECT_EQ(used.lfHeight, spec->lfHeight);
}

} // namespace
