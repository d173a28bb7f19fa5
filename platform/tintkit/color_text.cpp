#include "color_text.h"

#include "color_font_spec.h"
#include "skin.h"

void CColorText::SetTextSize(int pixels) {
    LOGFONTW spec = *CCGetGlobalFontSpecPtr();
    spec.lfHeight = -pixels;
    HFONT font = CreateFontIndirectW(&spec);
    if (!font)
        return;
    if (Hwnd())
        SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    font_.Reset(font);
    FitToText();
}

HBRUSH CColorText::OnCtlColor(HDC dc, UINT) {
    HBRUSH brush = TransparentCtlColor(dc);
    if (brush && !IsWindowEnabled(Hwnd()))
        SetTextColor(dc, skin::kDisabledText);
    return brush;
}

CColorWindowControl::WindowKind CColorText::Kind() const {
    return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
}

void CColorText::OnCreated() {
    RECT window;
    GetWindowRect(Hwnd(), &window);
    width_ = window.right - window.left;
    if (font_)
        SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    FitToText();
}

LRESULT CColorText::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message != WM_SETTEXT) {
        handled = false;
        return 0;
    }
    handled = true;
    LRESULT result = CallDefault(message, wParam, lParam);
    FitToText();
    return result;
}

void CColorText::FitToText() {
    HWND window = Hwnd();
    if (!window)
        return;
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));

    WindowDc dc(window);
    HFONT font = font_ ? font_.Get() : tintkit::ControlFont();
    HGDIOBJ previous = SelectObject(dc.Get(), font);
    RECT area{0, 0, width_, 0};
    // An empty label keeps one line, so that setting a text later shows it.
    DrawTextW(dc.Get(), text.empty() ? L" " : text.c_str(), -1, &area,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc.Get(), previous);
    SetWindowPos(window, nullptr, 0, 0, width_, area.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
