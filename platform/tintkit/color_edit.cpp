#include "color_edit.h"

#include "gdi_object.h"
#include "skin.h"

void CColorEdit::Init(DWORD extraStyle) {
    extraStyle_ = extraStyle;
}

bool CColorEdit::SetMultiline(bool multiline) {
    if (Hwnd())
        return false;
    multiline_ = multiline;
    return true;
}

bool CColorEdit::SetWindowTextW(const wchar_t* text) {
    return Hwnd() && ::SetWindowTextW(Hwnd(), text ? text : L"");
}

bool CColorEdit::GetWindowTextW(std::wstring& text) const {
    text.clear();
    if (!Hwnd())
        return false;
    int length = GetWindowTextLengthW(Hwnd());
    text.resize(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextW(Hwnd(), &text[0], length + 1);
    text.resize(static_cast<size_t>(copied));
    return true;
}

CColorWindowControl::WindowKind CColorEdit::Kind() const {
    DWORD style = WS_TABSTOP | WS_BORDER | extraStyle_;
    if (multiline_)
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
    else
        style |= ES_AUTOHSCROLL;
    return {L"EDIT", style, 0};
}

void CColorEdit::OnCreated() {
    // A little room between the border and the text, so the caret never sits on the border.
    SendMessageW(Hwnd(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 3));
}

LRESULT CColorEdit::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
    case WM_NCPAINT: {
        handled = true;
        LRESULT result = CallDefault(message, wParam, lParam);
        PaintBorder();
        return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
        handled = true;
        LRESULT result = CallDefault(message, wParam, lParam);
        PaintBorder();
        return result;
    }
    default:
        handled = false;
        return 0;
    }
}

void CColorEdit::PaintBorder() {
    HWND window = Hwnd();
    HDC dc = GetWindowDC(window);
    if (!dc)
        return;
    RECT frame;
    GetWindowRect(window, &frame);
    OffsetRect(&frame, -frame.left, -frame.top);
    COLORREF color = !IsWindowEnabled(window) ? skin::kDisabledText
                     : GetFocus() == window   ? skin::kAccent
                                              : skin::kBorder;
    GdiObject<HBRUSH> brush(CreateSolidBrush(color));
    FrameRect(dc, &frame, brush.Get());
    ReleaseDC(window, dc);
}
