#pragma once
#include <string>

#include "window_control.h"

// A list of entries with check marks. A click on a check mark or the space bar toggles the
// selected entry's mark and sends kCheckChange; a change of selection sends LBN_SELCHANGE.
// The operations below send nothing.
class CColorCheckListBox : public CColorWindowControl {
public:
    // Notification code of a check-mark change, in WM_COMMAND like the others.
    static constexpr WORD kCheckChange = 2;

    // Entries are added in the given order (no sorting); EndInsertItems ends a batch of them.
    int AddString(const wchar_t* text);
    void EndInsertItems();
    void ResetContent();
    int GetCount() const;
    bool GetText(int index, std::wstring& text) const;
    // The first entry after startAfter (-1: from the start) whose whole text equals text, by
    // exact, case-sensitive comparison; LB_ERR when none does.
    int FindString(int startAfter, const wchar_t* text) const;
    bool SetCheck(int index, bool checked);
    bool GetCheck(int index) const;
    int GetCurSel() const;
    int SetCurSel(int index);

    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    WindowKind Kind() const override;
    void OnCreated() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    void Toggle(int index);
    int itemHeight_ = 18;
    bool inserting_ = false;
};
