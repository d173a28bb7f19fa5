#pragma once
#include <windows.h>

#include "color_control.h"

// Base of the library's own controls: one standard Windows control, subclassed, so that focus,
// keyboard, tab order, enabled state and the parent's notifications stay the system's. The
// skin comes from the subclass and from the parent hook, which hands the parent's WM_CTLCOLOR*
// and WM_DRAWITEM for these controls back to them.
class CColorWindowControl : public ICColorControl {
public:
    CColorWindowControl() = default;
    ~CColorWindowControl() override;
    CColorWindowControl(const CColorWindowControl&) = delete;
    CColorWindowControl& operator=(const CColorWindowControl&) = delete;

    bool Create(const wchar_t* text, const RECT& rect, HWND parent, int id, int flag) override;
    void SetMainHdc(HDC background) override;
    void Show(bool visible) override;
    void Enable(bool enable) override;
    HWND GetSelectedWindow() const override { return hwnd_; }

    HWND Hwnd() const { return hwnd_; }
    // The library's control behind a window; null for any other window.
    static CColorWindowControl* FromWindow(HWND window);

    // Called by the parent hook. A null brush leaves the message to the parent.
    virtual HBRUSH OnCtlColor(HDC dc, UINT message);
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& item);

protected:
    struct WindowKind {
        const wchar_t* className;
        DWORD style;
        DWORD exStyle;
    };
    virtual WindowKind Kind() const = 0;
    // Runs once the window exists and is subclassed.
    virtual void OnCreated() {}
    // Messages of the control's own window; handled = false passes them on to the control.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    LRESULT CallDefault(UINT message, WPARAM wParam, LPARAM lParam);
    // For destructors of controls whose members the window still uses (a font, say): the
    // window goes before those members do.
    void DestroyControlWindow();
    // Fills area (client coordinates) with the part of the background under it, or with the
    // skin's face colour when the control is opaque or has no background yet.
    void PaintBackground(HDC dc, const RECT& area) const;
    bool HasBackground() const { return background_ != nullptr && (flag_ & kCreateTransparent); }
    // Blits the background and readies the DC for transparent text: the usual WM_CTLCOLOR answer
    // of a transparent control. Null when there is nothing to blit.
    HBRUSH TransparentCtlColor(HDC dc);
    void Redraw() const;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);

    HWND hwnd_ = nullptr;
    HDC background_ = nullptr;
    int flag_ = 0;
};
