#pragma once
#include "window_control.h"

// A drop-down list. A selection by the user sends CBN_SELCHANGE; the operations below send
// nothing. Indices and results are those of the system's combo box (CB_ERR when there is no
// window or no such entry); the rectangle's height is the height of the opened list.
class CColorCombo : public CColorWindowControl {
public:
    int AddString(const wchar_t* text);
    int InsertString(int index, const wchar_t* text);
    // The number of entries left.
    int DeleteString(int index);
    void ResetContent();
    int SetCurSel(int index);
    int GetCurSel() const;
    // Selects the first entry after startAfter (-1: from the start) that begins with text,
    // ignoring case.
    int SelectString(int startAfter, const wchar_t* text);
    // The first entry after startAfter that equals text, ignoring case.
    int FindStringExact(int startAfter, const wchar_t* text) const;

    HBRUSH OnCtlColor(HDC dc, UINT message) override;

protected:
    WindowKind Kind() const override;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
};
