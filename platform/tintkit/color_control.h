#pragma once
#include <windows.h>

// The common face of every control that a page layout places. Other code (the user interface's
// plug-in host, for one) implements it with controls of its own, so the order of the virtual
// operations is part of the contract and must not change.
class ICColorControl {
public:
    virtual ~ICColorControl() = default;

    // Makes the control's child window: text, rectangle in the parent's client pixels, parent,
    // control id (-1 for none) and the creation flag (kCreateTransparent or 0). False when the
    // window exists already or cannot be made.
    virtual bool Create(const wchar_t* text, const RECT& rect, HWND parent, int id, int flag) = 0;
    // The parent's background as a memory DC in the parent's client coordinates, handed once at
    // the parent's first paint; the control draws its transparent parts from it. The DC stays
    // the caller's.
    virtual void SetMainHdc(HDC background) = 0;
    virtual void Show(bool visible) = 0;
    virtual void Enable(bool enable) = 0;
    // The window that stands for the control in a layout: its own window for a plain control;
    // null when there is none.
    virtual HWND GetSelectedWindow() const = 0;
};

// Creation flag: the control's transparent parts show the background handed by SetMainHdc.
constexpr int kCreateTransparent = 1;
