#include "color_check_list_box.h"

#include "color_font_spec.h"
#include "gdi_object.h"
#include "skin.h"

namespace {
constexpr int kMarkMargin = 3;
}

int CColorCheckListBox::AddString(const wchar_t* text) {
    if (!Hwnd())
        return LB_ERR;
    // Drawing waits for the end of the batch.
    if (!inserting_) {
        inserting_ = true;
        SendMessageW(Hwnd(), WM_SETREDRAW, FALSE, 0);
    }
    int index =
        static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : L"")));
    if (index >= 0)
        Send(LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    return index;
}

void CColorCheckListBox::EndInsertItems() {
    if (!Hwnd() || !inserting_)
        return;
    inserting_ = false;
    SendMessageW(Hwnd(), WM_SETREDRAW, TRUE, 0);
    Redraw();
}

void CColorCheckListBox::ResetContent() {
    Send(LB_RESETCONTENT, 0, 0);
}

int CColorCheckListBox::GetCount() const {
    return static_cast<int>(Send(LB_GETCOUNT, 0, 0));
}

bool CColorCheckListBox::GetText(int index, std::wstring& text) const {
    text.clear();
    LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return false;
    text.resize(static_cast<size_t>(length) + 1);
    LRESULT copied =
        Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    return copied != LB_ERR;
}

int CColorCheckListBox::FindString(int startAfter, const wchar_t* text) const {
    // LB_FINDSTRING matches prefixes and ignores case; entries here are names that must match
    // exactly, so the search is done here.
    const int count = GetCount();
    if (count <= 0 || !text)
        return LB_ERR;
    std::wstring entry;
    const int first = startAfter < 0 || startAfter >= count ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        int index = (first + step) % count;
        if (GetText(index, entry) && entry == text)
            return index;
    }
    return LB_ERR;
}

bool CColorCheckListBox::SetCheck(int index, bool checked) {
    if (Send(LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0) == LB_ERR)
        return false;
    RECT item;
    if (Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
        InvalidateRect(Hwnd(), &item, FALSE);
    return true;
}

bool CColorCheckListBox::GetCheck(int index) const {
    LRESULT data = Send(LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data != LB_ERR && data != 0;
}

int CColorCheckListBox::GetCurSel() const {
    return static_cast<int>(Send(LB_GETCURSEL, 0, 0));
}

int CColorCheckListBox::SetCurSel(int index) {
    return static_cast<int>(Send(LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

bool CColorCheckListBox::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1))
        return true;
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool enabled = IsWindowEnabled(Hwnd()) != FALSE;
    GdiObject<HBRUSH> fill(
        CreateSolidBrush(selected && enabled ? skin::kButtonPressed : RGB(0xFF, 0xFF, 0xFF)));
    FillRect(dc, &area, fill.Get());

    const int box = itemHeight_ - 2 * kMarkMargin;
    RECT mark{area.left + kMarkMargin, area.top + kMarkMargin, area.left + kMarkMargin + box,
              area.top + kMarkMargin + box};
    GdiObject<HBRUSH> white(CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF)));
    GdiObject<HBRUSH> frame(CreateSolidBrush(enabled ? skin::kBorder : skin::kDisabledText));
    FillRect(dc, &mark, white.Get());
    FrameRect(dc, &mark, frame.Get());
    if (GetCheck(static_cast<int>(item.itemID))) {
        GdiObject<HPEN> pen(CreatePen(PS_SOLID, 2, enabled ? skin::kAccent : skin::kDisabledText));
        HGDIOBJ old = SelectObject(dc, pen.Get());
        MoveToEx(dc, mark.left + 3, mark.top + box / 2, nullptr);
        LineTo(dc, mark.left + box / 2 - 1, mark.bottom - 4);
        LineTo(dc, mark.right - 3, mark.top + 3);
        SelectObject(dc, old);
    }

    std::wstring text;
    GetText(static_cast<int>(item.itemID), text);
    RECT label = area;
    label.left = mark.right + 2 * kMarkMargin;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? skin::kText : skin::kDisabledText);
    HGDIOBJ oldFont = SelectObject(dc, tintkit::ControlFont());
    DrawTextW(dc, text.c_str(), -1, &label,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(dc, &area);
    return true;
}

CColorWindowControl::WindowKind CColorCheckListBox::Kind() const {
    return {L"LISTBOX",
            LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                WS_TABSTOP | WS_BORDER,
            0};
}

void CColorCheckListBox::OnCreated() {
    Send(LB_SETITEMHEIGHT, 0, itemHeight_);
}

LRESULT CColorCheckListBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = false;
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) {
        const int x = static_cast<short>(LOWORD(lParam));
        LRESULT hit = Send(LB_ITEMFROMPOINT, 0, lParam);
        const bool onItem = HIWORD(hit) == 0;
        // A quick second click is a click: the list's own LBN_DBLCLK has the code of a mark
        // change and would pass for one.
        LRESULT result = CallDefault(WM_LBUTTONDOWN, wParam, lParam);
        handled = true;
        if (onItem && x < itemHeight_)
            Toggle(LOWORD(hit));
        return result;
    }
    if (message == WM_CHAR && wParam == L' ') {
        handled = true;
        Toggle(GetCurSel());
        return 0;
    }
    return 0;
}

void CColorCheckListBox::Toggle(int index) {
    if (index < 0 || index >= GetCount())
        return;
    SetCheck(index, !GetCheck(index));
    HWND window = Hwnd();
    SendMessageW(GetParent(window), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), kCheckChange),
                 reinterpret_cast<LPARAM>(window));
}

LRESULT CColorCheckListBox::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return Hwnd() ? SendMessageW(Hwnd(), message, wParam, lParam) : LB_ERR;
}
