#include "drawing_engine.h"

#include <vector>

CDrawingEngine* CCGetDrawingEngine() {
    static CDrawingEngine engine;
    return &engine;
}

CDrawingEngine::Picture* CDrawingEngine::Find(UINT bitmapId) {
    std::lock_guard<std::mutex> hold(lock_);
    auto known = pictures_.find(bitmapId);
    if (known != pictures_.end())
        return known->second.get();

    // A DIB section keeps the colour table, which SetMainPalette needs.
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        bitmap = tintkit::MakeBuiltinPicture(bitmapId);
    if (!bitmap)
        return nullptr;
    auto picture = std::make_unique<Picture>();
    picture->bitmap.Reset(bitmap);
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    picture->size = {info.bmWidth, info.bmHeight};
    if (!picture->dc.Create(nullptr, bitmap))
        return nullptr;
    Picture* found = picture.get();
    pictures_[bitmapId] = std::move(picture);
    return found;
}

bool CDrawingEngine::DrawBitmap(HDC dc, UINT bitmapId, int x, int y) {
    Picture* picture = Find(bitmapId);
    if (!picture)
        return false;
    if (palette_) {
        SelectPalette(dc, palette_.Get(), TRUE);
        RealizePalette(dc);
    }
    return BitBlt(dc, x, y, picture->size.cx, picture->size.cy, picture->dc.Get(), 0, 0, SRCCOPY) !=
           FALSE;
}

HDC CDrawingEngine::GetCachedPicture(UINT bitmapId) {
    Picture* picture = Find(bitmapId);
    return picture ? picture->dc.Get() : nullptr;
}

bool CDrawingEngine::GetPictureSize(UINT bitmapId, SIZE* size) {
    Picture* picture = Find(bitmapId);
    if (!picture || !size)
        return false;
    *size = picture->size;
    return true;
}

bool CDrawingEngine::SetMainPalette(UINT bitmapId) {
    Picture* picture = Find(bitmapId);
    if (!picture)
        return false;
    RGBQUAD colors[256];
    UINT count = GetDIBColorTable(picture->dc.Get(), 0, 256, colors);
    HPALETTE palette = nullptr;
    if (count == 0) {
        palette = CreateHalftonePalette(picture->dc.Get());
    } else {
        std::vector<BYTE> storage(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
        auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
        logical->palVersion = 0x300;
        logical->palNumEntries = static_cast<WORD>(count);
        for (UINT i = 0; i < count; ++i)
            logical->palPalEntry[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
        palette = CreatePalette(logical);
    }
    if (!palette)
        return false;
    palette_.Reset(palette);
    return true;
}

bool CDrawingEngine::Refresh(HWND window) {
    if (!palette_ || !window)
        return false;
    WindowDc dc(window);
    HPALETTE previous = SelectPalette(dc.Get(), palette_.Get(), FALSE);
    UINT changed = RealizePalette(dc.Get());
    SelectPalette(dc.Get(), previous, TRUE);
    if (changed != 0 && changed != GDI_ERROR)
        InvalidateRect(window, nullptr, TRUE);
    return true;
}
