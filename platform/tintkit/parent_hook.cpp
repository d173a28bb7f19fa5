#include "parent_hook.h"

#include <commctrl.h>

#include "window_control.h"

namespace tintkit {
namespace {

constexpr UINT_PTR kHookId = 0x54494E54; // "TINT"

bool IsCtlColor(UINT message) {
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR) {
    if (IsCtlColor(message)) {
        if (auto* control = CColorWindowControl::FromWindow(reinterpret_cast<HWND>(lParam))) {
            if (HBRUSH brush = control->OnCtlColor(reinterpret_cast<HDC>(wParam), message))
                return reinterpret_cast<LRESULT>(brush);
        }
    } else if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType != ODT_MENU) {
            if (auto* control = CColorWindowControl::FromWindow(item->hwndItem)) {
                if (control->OnDrawItem(*item))
                    return TRUE;
            }
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, ParentProc, kHookId);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

bool HookParent(HWND parent) {
    // Installing the same procedure and id again only replaces its (unused) data.
    return SetWindowSubclass(parent, ParentProc, kHookId, 0) != FALSE;
}

} // namespace tintkit
