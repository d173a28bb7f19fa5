#include "color_hyperlink.h"

#include <shellapi.h>

#include "color_font_spec.h"
#include "gdi_object.h"
#include "skin.h"

namespace {
std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied));
    return text;
}
} // namespace

void CColorHyperLink::SetURL(const wchar_t* url) {
    url_ = url ? url : L"";
}

void CColorHyperLink::SetVisited() {
    visited_ = true;
    Redraw();
}

void CColorHyperLink::SetNormal() {
    visited_ = false;
    Redraw();
}

CColorWindowControl::WindowKind CColorHyperLink::Kind() const {
    return {L"STATIC", SS_NOTIFY | SS_LEFT | SS_NOPREFIX, 0};
}

void CColorHyperLink::OnCreated() {
    FitToText();
}

LRESULT CColorHyperLink::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
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
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
        return TRUE;
    case WM_LBUTTONDOWN: {
        LRESULT result = CallDefault(message, wParam, lParam);
        if (!url_.empty())
            ShellExecuteW(GetParent(Hwnd()), L"open", url_.c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
        return result;
    }
    case WM_SETTEXT: {
        LRESULT result = CallDefault(message, wParam, lParam);
        FitToText();
        return result;
    }
    default:
        handled = false;
        return 0;
    }
}

void CColorHyperLink::Paint(HDC dc) {
    RECT client;
    GetClientRect(Hwnd(), &client);
    PaintBackground(dc, client);
    SetBkMode(dc, TRANSPARENT);
    COLORREF ink = visited_ ? skin::kLinkVisited : skin::kLinkNormal;
    SetTextColor(dc, IsWindowEnabled(Hwnd()) ? ink : skin::kDisabledText);
    HGDIOBJ old = SelectObject(dc, tintkit::UnderlinedControlFont());
    std::wstring text = WindowText(Hwnd());
    DrawTextW(dc, text.c_str(), -1, &client, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void CColorHyperLink::FitToText() {
    std::wstring text = WindowText(Hwnd());
    WindowDc dc(Hwnd());
    HGDIOBJ old = SelectObject(dc.Get(), tintkit::UnderlinedControlFont());
    RECT area{0, 0, 0, 0};
    DrawTextW(dc.Get(), text.empty() ? L" " : text.c_str(), -1, &area,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc.Get(), old);
    SetWindowPos(Hwnd(), nullptr, 0, 0, area.right, area.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
