#pragma once
#include "window_control.h"

// A push button drawn by the skin. A click or the space bar sends BN_CLICKED.
class CMColorButton : public CColorWindowControl {
public:
    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    WindowKind Kind() const override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Draws what the face shows: the text, or a system button's glyph.
    virtual void DrawFace(HDC dc, const RECT& face, bool enabled);
    void DrawFrame(HDC dc, const RECT& area, bool pressed);
};

// A small square button of a window's caption bar, drawn with the glyph of its type.
class CColorSysButton : public CMColorButton {
public:
    enum Type { kClose = 0, kHelp = 4 };
    // Other types draw an empty button.
    void SetSysTypeButton(int type);

protected:
    WindowKind Kind() const override;
    void DrawFace(HDC dc, const RECT& face, bool enabled) override;

private:
    int type_ = kClose;
};
