#pragma once
#include "window_control.h"

// A picture of the drawing engine, centred in the control; the picture's key colour shows the
// background through.
class CColorImage : public CColorWindowControl {
public:
    // The picture's bitmap id: one of the program's bitmaps or the library's own (kPagePicture).
    void Init(UINT pictureId);

protected:
    WindowKind Kind() const override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void Paint(HDC dc);

    UINT picture_ = 0;
};
