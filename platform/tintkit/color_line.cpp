#include "color_line.h"

#include "gdi_object.h"

void CColorLine::SetColor(COLORREF color) {
    color_ = color;
    Redraw();
}

CColorWindowControl::WindowKind CColorLine::Kind() const {
    return {L"STATIC", 0, 0};
}

LRESULT CColorLine::OnMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT || message == WM_PRINTCLIENT) {
        RECT client;
        GetClientRect(Hwnd(), &client);
        GdiObject<HBRUSH> brush(CreateSolidBrush(color_));
        if (message == WM_PAINT) {
            PaintScope paint(Hwnd());
            FillRect(paint.Get(), &client, brush.Get());
        } else {
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush.Get());
        }
        return 0;
    }
    handled = false;
    return 0;
}
