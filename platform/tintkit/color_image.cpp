#include "color_image.h"

#include "drawing_engine.h"
#include "gdi_object.h"
#include "skin.h"

void CColorImage::Init(UINT pictureId) {
    picture_ = pictureId;
    Redraw();
}

CColorWindowControl::WindowKind CColorImage::Kind() const {
    return {L"STATIC", 0, 0};
}

LRESULT CColorImage::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintScope paint(Hwnd());
        Paint(paint.Get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        handled = false;
        return 0;
    }
}

void CColorImage::Paint(HDC dc) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    // Drawn off-screen first, so that the picture never flickers over its background.
    GdiObject<HBITMAP> buffer(CreateCompatibleBitmap(dc, client.right, client.bottom));
    MemoryDc canvas;
    if (!buffer || !canvas.Create(dc, buffer.Get()))
        return;
    PaintBackground(canvas.Get(), client);
    CDrawingEngine* engine = CCGetDrawingEngine();
    SIZE size{};
    if (picture_ && engine->GetPictureSize(picture_, &size)) {
        int width = size.cx < client.right ? size.cx : client.right;
        int height = size.cy < client.bottom ? size.cy : client.bottom;
        TransparentBlt(canvas.Get(), (client.right - width) / 2, (client.bottom - height) / 2,
                       width, height, engine->GetCachedPicture(picture_), 0, 0, width, height,
                       skin::kPictureKey);
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, canvas.Get(), 0, 0, SRCCOPY);
}
