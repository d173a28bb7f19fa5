#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "gdi_object.h"

// The library's own pictures, answered when the program carries no bitmap of that id.
constexpr UINT kPagePicture = 1076; // a page with lines of text, for margin settings

// Draws the programs' skin bitmaps, loaded by id from the program's resources and kept for the
// process's life, and holds the palette that the skin is drawn with on palette displays.
class CDrawingEngine {
public:
    CDrawingEngine() = default;
    CDrawingEngine(const CDrawingEngine&) = delete;
    CDrawingEngine& operator=(const CDrawingEngine&) = delete;

    // Draws the bitmap at its own size with its top-left corner at (x, y). False when there is
    // no such bitmap.
    bool DrawBitmap(HDC dc, UINT bitmapId, int x, int y);
    // A memory DC holding the bitmap, owned by the engine and the same for every call; it serves
    // as the background handed to controls. Null when there is no such bitmap.
    HDC GetCachedPicture(UINT bitmapId);
    // The bitmap's pixel size; false when there is no such bitmap.
    bool GetPictureSize(UINT bitmapId, SIZE* size);
    // Takes the main palette from the bitmap's colour table (a halftone palette for bitmaps
    // without one). False, keeping the palette as it was, when there is no such bitmap.
    bool SetMainPalette(UINT bitmapId);
    HPALETTE MainPalette() const { return palette_.Get(); }
    // Realizes the main palette in the window and repaints it when colours changed; the answer
    // to WM_PALETTECHANGED and WM_QUERYNEWPALETTE. False without a main palette.
    bool Refresh(HWND window);

private:
    struct Picture {
        GdiObject<HBITMAP> bitmap;
        MemoryDc dc;
        SIZE size{};
    };
    Picture* Find(UINT bitmapId);

    std::mutex lock_;
    std::map<UINT, std::unique_ptr<Picture>> pictures_;
    GdiObject<HPALETTE> palette_;
};

// The process's engine.
CDrawingEngine* CCGetDrawingEngine();

namespace tintkit {
// The library's own picture of that id as a 32-bit DIB section, null when it has none.
HBITMAP MakeBuiltinPicture(UINT bitmapId);
} // namespace tintkit
