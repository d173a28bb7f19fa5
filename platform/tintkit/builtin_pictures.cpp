#include "drawing_engine.h"
#include "skin.h"

namespace tintkit {
namespace {

// A sheet of paper with a folded corner and grey lines of text, on the picture key colour.
HBITMAP MakePagePicture() {
    constexpr int kWidth = 70, kHeight = 90, kFold = 14;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap)
        return nullptr;
    MemoryDc dc;
    if (!dc.Create(nullptr, bitmap)) {
        DeleteObject(bitmap);
        return nullptr;
    }
    HDC d = dc.Get();
    RECT all{0, 0, kWidth, kHeight};
    GdiObject<HBRUSH> key(CreateSolidBrush(skin::kPictureKey));
    FillRect(d, &all, key.Get());

    GdiObject<HPEN> border(CreatePen(PS_SOLID, 1, skin::kBorder));
    GdiObject<HBRUSH> paper(CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
    HGDIOBJ oldPen = SelectObject(d, border.Get());
    HGDIOBJ oldBrush = SelectObject(d, paper.Get());
    const POINT sheet[] = {{4, 2},
                           {kWidth - 4 - kFold, 2},
                           {kWidth - 5, 2 + kFold},
                           {kWidth - 5, kHeight - 3},
                           {4, kHeight - 3}};
    Polygon(d, sheet, 5);
    GdiObject<HBRUSH> fold(CreateSolidBrush(skin::kButtonBottom));
    SelectObject(d, fold.Get());
    const POINT corner[] = {
        {kWidth - 4 - kFold, 2}, {kWidth - 4 - kFold, 2 + kFold}, {kWidth - 5, 2 + kFold}};
    Polygon(d, corner, 3);

    GdiObject<HBRUSH> ink(CreateSolidBrush(RGB(0xB4, 0xBC, 0xC8)));
    for (int y = 22; y < kHeight - 12; y += 7) {
        int right = (y / 7) % 3 == 0 ? kWidth - 24 : kWidth - 12;
        RECT line{12, y, right, y + 2};
        FillRect(d, &line, ink.Get());
    }
    SelectObject(d, oldBrush);
    SelectObject(d, oldPen);
    dc.Reset();
    return bitmap;
}

} // namespace

HBITMAP MakeBuiltinPicture(UINT bitmapId) {
    return bitmapId == kPagePicture ? MakePagePicture() : nullptr;
}

} // namespace tintkit
