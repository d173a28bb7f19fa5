#pragma once
#include "window_control.h"

// A check box. A click or the space bar toggles it and sends BN_CLICKED; SetCheck sends nothing.
class CColorBox : public CColorWindowControl {
public:
    // BST_UNCHECKED or BST_CHECKED.
    void SetCheck(int state);
    int GetCheck() const;

    HBRUSH OnCtlColor(HDC dc, UINT message) override;

protected:
    WindowKind Kind() const override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    // The background is blitted only while the whole box is painted; the partial repaints of a
    // check or focus change draw over what is there.
    bool painting_ = false;
};
