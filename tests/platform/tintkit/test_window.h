#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "color_control.h"

// A top-level window that plays a settings page for the controls under test: it records the
// WM_COMMAND notifications its children send, paints a skin background and, at its first
// paint, hands a snapshot of it to the controls that asked for one.
class TestWindow {
public:
    struct Notification {
        int id;
        int code;
        HWND from;
    };

    TestWindow(int width, int height);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Runs every waiting message through IsDialogMessage, as a dialog's loop would.
    void Pump();
    // Controls that get the background at the first paint, in this order.
    void TakesBackground(ICColorControl* control) { backgroundUsers_.push_back(control); }

    int Count(int id, int code) const;
    std::vector<Notification> notifications;

    // Keyboard input as the system delivers it to the focused window.
    void Type(const std::wstring& text);
    void PressKey(UINT key);
    // A left click at the centre of the window, through the posted mouse messages a click makes.
    void PostClick(HWND control, int x = -1, int y = -1);
    // A left click at the centre of the window, as real input from the mouse.
    void RealClick(HWND control);

    // Writes the window's picture on the screen as a 24-bit BMP file.
    bool SaveScreenshot(const std::wstring& path);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND hwnd_ = nullptr;
    HDC background_ = nullptr;
    HBITMAP backgroundBitmap_ = nullptr;
    HGDIOBJ backgroundPrevious_ = nullptr;
    std::vector<ICColorControl*> backgroundUsers_;
};
