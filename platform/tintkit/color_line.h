#pragma once
#include "window_control.h"

// A separator line filling its rectangle.
class CColorLine : public CColorWindowControl {
public:
    void SetColor(COLORREF color);

protected:
    WindowKind Kind() const override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    COLORREF color_ = RGB(0x5A, 0x5A, 0x5A);
};
