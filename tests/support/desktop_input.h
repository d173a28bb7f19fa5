#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Input and pictures for tests with real windows under the test display. Each input is followed
// by the caller's message pump, as a window's own loop would run.
using MessagePump = std::function<void()>;

// A shown, frameless top-level window for a test, of a class of the test's own made on first
// use; self is kept as the window's user data for proc.
HWND CreateTestWindow(const wchar_t* className, const wchar_t* title, int width, int height,
                      void* self, WNDPROC proc);

// Characters as the system posts them to the focused window, one pump after each.
void TypeToFocus(const std::wstring& text, const MessagePump& pump);
// A key pressed and released on the focused window.
void PressKeyOnFocus(UINT key, const MessagePump& pump);
// A left click at the centre of a window, as real input from the mouse.
void RealClickOn(HWND window, const MessagePump& pump);
// The window's picture on the screen as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::wstring& path);
