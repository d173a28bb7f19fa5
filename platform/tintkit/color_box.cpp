#include "color_box.h"

void CColorBox::SetCheck(int state) {
    if (Hwnd())
        SendMessageW(Hwnd(), BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

int CColorBox::GetCheck() const {
    return Hwnd() ? static_cast<int>(SendMessageW(Hwnd(), BM_GETCHECK, 0, 0)) : BST_UNCHECKED;
}

HBRUSH CColorBox::OnCtlColor(HDC dc, UINT) {
    if (!painting_)
        return HasBackground() ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : nullptr;
    return TransparentCtlColor(dc);
}

CColorWindowControl::WindowKind CColorBox::Kind() const {
    return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
}

LRESULT CColorBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message != WM_PAINT && message != WM_PRINTCLIENT) {
        handled = false;
        return 0;
    }
    handled = true;
    painting_ = true;
    LRESULT result = CallDefault(message, wParam, lParam);
    painting_ = false;
    return result;
}
