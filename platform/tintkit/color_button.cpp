#include "color_button.h"

#include <string>

#include "color_font_spec.h"
#include "gdi_object.h"
#include "skin.h"

namespace {

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
    auto mix = [&](int a, int b) { return a + (b - a) * step / steps; };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

} // namespace

bool CMColorButton::OnDrawItem(const DRAWITEMSTRUCT& item) {
    RECT area = item.rcItem;
    const int width = area.right - area.left, height = area.bottom - area.top;
    GdiObject<HBITMAP> buffer(CreateCompatibleBitmap(item.hDC, width, height));
    MemoryDc canvas;
    if (!buffer || !canvas.Create(item.hDC, buffer.Get()))
        return false;
    RECT local{0, 0, width, height};
    PaintBackground(canvas.Get(), local);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool enabled = (item.itemState & ODS_DISABLED) == 0;
    DrawFrame(canvas.Get(), local, pressed);
    RECT face = local;
    if (pressed)
        OffsetRect(&face, 1, 1);
    DrawFace(canvas.Get(), face, enabled);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = local;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(canvas.Get(), &focus);
    }
    BitBlt(item.hDC, area.left, area.top, width, height, canvas.Get(), 0, 0, SRCCOPY);
    return true;
}

CColorWindowControl::WindowKind CMColorButton::Kind() const {
    return {L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, 0};
}

LRESULT CMColorButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // An owner-drawn button turns a quick second click into BN_DOUBLECLICKED; here every
    // click is a click.
    if (message == WM_LBUTTONDBLCLK) {
        handled = true;
        return CallDefault(WM_LBUTTONDOWN, wParam, lParam);
    }
    handled = false;
    return 0;
}

void CMColorButton::DrawFrame(HDC dc, const RECT& area, bool pressed) {
    const int height = area.bottom - area.top;
    GdiObject<HRGN> shape(
        CreateRoundRectRgn(area.left, area.top, area.right + 1, area.bottom + 1, 5, 5));
    SelectClipRgn(dc, shape.Get());
    for (int y = 0; y < height; ++y) {
        COLORREF color = pressed ? skin::kButtonPressed
                                 : Blend(skin::kButtonTop, skin::kButtonBottom, y, height);
        GdiObject<HBRUSH> brush(CreateSolidBrush(color));
        RECT row{area.left, area.top + y, area.right, area.top + y + 1};
        FillRect(dc, &row, brush.Get());
    }
    SelectClipRgn(dc, nullptr);
    GdiObject<HBRUSH> border(
        CreateSolidBrush(GetFocus() == Hwnd() ? skin::kAccent : skin::kBorder));
    FrameRgn(dc, shape.Get(), border.Get(), 1, 1);
}

void CMColorButton::DrawFace(HDC dc, const RECT& face, bool enabled) {
    int length = GetWindowTextLengthW(Hwnd());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(Hwnd(), &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    RECT area = face;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? skin::kText : skin::kDisabledText);
    HGDIOBJ old = SelectObject(dc, tintkit::ControlFont());
    DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void CColorSysButton::SetSysTypeButton(int type) {
    type_ = type;
    Redraw();
}

CColorWindowControl::WindowKind CColorSysButton::Kind() const {
    // Caption buttons are reached by mouse only, as a window's own are.
    return {L"BUTTON", BS_OWNERDRAW, 0};
}

void CColorSysButton::DrawFace(HDC dc, const RECT& face, bool enabled) {
    const COLORREF ink = enabled ? skin::kText : skin::kDisabledText;
    const int size = (face.right - face.left < face.bottom - face.top ? face.right - face.left
                                                                      : face.bottom - face.top);
    const int cx = (face.left + face.right) / 2, cy = (face.top + face.bottom) / 2;
    const int half = size / 4;
    if (type_ == kClose) {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, ink));
        HGDIOBJ old = SelectObject(dc, pen.Get());
        MoveToEx(dc, cx - half, cy - half, nullptr);
        LineTo(dc, cx + half, cy + half);
        MoveToEx(dc, cx + half, cy - half, nullptr);
        LineTo(dc, cx - half, cy + half);
        SelectObject(dc, old);
    } else if (type_ == kHelp) {
        LOGFONTW spec = *CCGetGlobalFontSpecPtr();
        spec.lfHeight = -(size * 2 / 3);
        spec.lfWeight = FW_BOLD;
        GdiObject<HFONT> font(CreateFontIndirectW(&spec));
        HGDIOBJ old = SelectObject(dc, font.Get());
        RECT area = face;
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        DrawTextW(dc, L"?", 1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
}
