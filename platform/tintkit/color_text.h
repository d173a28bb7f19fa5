#pragma once
#include <string>

#include "gdi_object.h"
#include "window_control.h"

// A label. Its window takes the rectangle's left, top and width and the height of its text, so
// that a generous rectangle never covers the controls below it.
class CColorText : public CColorWindowControl {
public:
    ~CColorText() override { DestroyControlWindow(); }

    // Text height in pixels for titles; set before Create, or later to change the font.
    void SetTextSize(int pixels);

    HBRUSH OnCtlColor(HDC dc, UINT message) override;

protected:
    WindowKind Kind() const override;
    void OnCreated() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void FitToText();

    GdiObject<HFONT> font_;
    int width_ = 0;
};
