#include "color_combo.h"

#include "skin.h"

int CColorCombo::AddString(const wchar_t* text) {
    return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : L"")));
}

int CColorCombo::InsertString(int index, const wchar_t* text) {
    return static_cast<int>(Send(CB_INSERTSTRING, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(text ? text : L"")));
}

int CColorCombo::DeleteString(int index) {
    return static_cast<int>(Send(CB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

void CColorCombo::ResetContent() {
    Send(CB_RESETCONTENT, 0, 0);
}

int CColorCombo::SetCurSel(int index) {
    return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int CColorCombo::GetCurSel() const {
    return static_cast<int>(Send(CB_GETCURSEL, 0, 0));
}

int CColorCombo::SelectString(int startAfter, const wchar_t* text) {
    return static_cast<int>(Send(CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                 reinterpret_cast<LPARAM>(text ? text : L"")));
}

int CColorCombo::FindStringExact(int startAfter, const wchar_t* text) const {
    return static_cast<int>(Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter),
                                 reinterpret_cast<LPARAM>(text ? text : L"")));
}

HBRUSH CColorCombo::OnCtlColor(HDC dc, UINT message) {
    // The closed box shows the skin's text colour on white; the list keeps the system's.
    if (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
        SetTextColor(dc, IsWindowEnabled(Hwnd()) ? skin::kText : skin::kDisabledText);
        SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    return nullptr;
}

CColorWindowControl::WindowKind CColorCombo::Kind() const {
    return {L"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP, 0};
}

LRESULT CColorCombo::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return Hwnd() ? SendMessageW(Hwnd(), message, wParam, lParam) : CB_ERR;
}
