#include "window_control.h"

#include <commctrl.h>

#include "color_font_spec.h"
#include "gdi_object.h"
#include "parent_hook.h"
#include "skin.h"

namespace {
constexpr UINT_PTR kControlSubclassId = 0x54494E4B; // "TINK"
// The control behind a window, for its parent's messages. A property, because GetWindowSubclass
// is missing from some import libraries of comctl32.
constexpr wchar_t kControlProperty[] = L"TintkitControl";
} // namespace

CColorWindowControl::~CColorWindowControl() {
    DestroyControlWindow();
}

void CColorWindowControl::DestroyControlWindow() {
    // The window may have gone with its parent already; WM_NCDESTROY then cleared hwnd_.
    if (hwnd_)
        DestroyWindow(hwnd_);
}

bool CColorWindowControl::Create(const wchar_t* text, const RECT& rect, HWND parent, int id,
                                 int flag) {
    if (hwnd_ || !parent || !tintkit::HookParent(parent))
        return false;
    flag_ = flag;
    const WindowKind kind = Kind();
    HWND window = CreateWindowExW(
        kind.exStyle, kind.className, text ? text : L"", kind.style | WS_CHILD | WS_VISIBLE,
        rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!window)
        return false;
    if (!SetPropW(window, kControlProperty, this) ||
        !SetWindowSubclass(window, SubclassProc, kControlSubclassId,
                           reinterpret_cast<DWORD_PTR>(this))) {
        DestroyWindow(window);
        return false;
    }
    hwnd_ = window;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(tintkit::ControlFont()), FALSE);
    OnCreated();
    return true;
}

void CColorWindowControl::SetMainHdc(HDC background) {
    background_ = background;
    Redraw();
}

void CColorWindowControl::Show(bool visible) {
    if (hwnd_)
        ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void CColorWindowControl::Enable(bool enable) {
    if (hwnd_)
        EnableWindow(hwnd_, enable);
}

CColorWindowControl* CColorWindowControl::FromWindow(HWND window) {
    return window ? static_cast<CColorWindowControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

HBRUSH CColorWindowControl::OnCtlColor(HDC, UINT) {
    return nullptr;
}

bool CColorWindowControl::OnDrawItem(const DRAWITEMSTRUCT&) {
    return false;
}

LRESULT CColorWindowControl::OnMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT CColorWindowControl::CallDefault(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

void CColorWindowControl::PaintBackground(HDC dc, const RECT& area) const {
    if (HasBackground()) {
        POINT origin{0, 0};
        MapWindowPoints(hwnd_, GetParent(hwnd_), &origin, 1);
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, background_,
               origin.x + area.left, origin.y + area.top, SRCCOPY);
        return;
    }
    GdiObject<HBRUSH> face(CreateSolidBrush(skin::kFace));
    FillRect(dc, &area, face.Get());
}

HBRUSH CColorWindowControl::TransparentCtlColor(HDC dc) {
    if (!HasBackground())
        return nullptr;
    RECT client;
    GetClientRect(hwnd_, &client);
    PaintBackground(dc, client);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, skin::kText);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CColorWindowControl::Redraw() const {
    if (hwnd_)
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
}

LRESULT CALLBACK CColorWindowControl::SubclassProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* control = reinterpret_cast<CColorWindowControl*>(self);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, SubclassProc, kControlSubclassId);
        RemovePropW(window, kControlProperty);
        control->hwnd_ = nullptr;
        return DefSubclassProc(window, message, wParam, lParam);
    }
    // No C++ exception may leave a window procedure.
    try {
        bool handled = false;
        LRESULT result = control->OnMessage(message, wParam, lParam, handled);
        if (handled)
            return result;
    } catch (...) {
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
