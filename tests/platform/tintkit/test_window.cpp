#include "test_window.h"

#include "desktop_input.h"
#include "drawing_engine.h"

namespace {
constexpr wchar_t kClassName[] = L"TintkitTestWindow";
constexpr UINT kLogoBitmap = 200;
} // namespace

TestWindow::TestWindow(int width, int height) {
    hwnd_ = CreateTestWindow(kClassName, L"Tintkit test", width, height, this, Proc);
}

TestWindow::~TestWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (background_) {
        SelectObject(background_, backgroundPrevious_);
        DeleteDC(background_);
        DeleteObject(backgroundBitmap_);
    }
}

void TestWindow::Pump() {
    // Twice round, since a message handled may post others (a paint after a click).
    for (int round = 0; round < 2; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(hwnd_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        UpdateWindow(hwnd_);
    }
}

int TestWindow::Count(int id, int code) const {
    int n = 0;
    for (const auto& note : notifications)
        n += note.id == (id & 0xFFFF) && note.code == code;
    return n;
}

void TestWindow::Type(const std::wstring& text) {
    TypeToFocus(text, [this] { Pump(); });
}

void TestWindow::PressKey(UINT key) {
    PressKeyOnFocus(key, [this] { Pump(); });
}

void TestWindow::PostClick(HWND control, int x, int y) {
    RECT client;
    GetClientRect(control, &client);
    if (x < 0)
        x = client.right / 2;
    if (y < 0)
        y = client.bottom / 2;
    LPARAM at = MAKELPARAM(x, y);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    Pump();
}

void TestWindow::RealClick(HWND control) {
    RealClickOn(control, [this] { Pump(); });
}

bool TestWindow::SaveScreenshot(const std::wstring& path) {
    Pump();
    return SaveWindowPicture(hwnd_, path);
}

LRESULT CALLBACK TestWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (lParam)
            self->notifications.push_back(
                {LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_NCDESTROY:
        self->hwnd_ = nullptr;
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TestWindow::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    // A soft vertical gradient with a darker band at the top, like a skin bitmap would give.
    for (int y = 0; y < client.bottom; ++y) {
        int shade = y < 36 ? 0x30 + y : 0xF4 - (y * 0x18) / (client.bottom ? client.bottom : 1);
        COLORREF color = y < 36 ? RGB(0x26, shade, 0x8C) : RGB(shade - 8, shade - 4, shade);
        HBRUSH brush = CreateSolidBrush(color);
        RECT row{0, y, client.right, y + 1};
        FillRect(dc, &row, brush);
        DeleteObject(brush);
    }
    CCGetDrawingEngine()->DrawBitmap(dc, kLogoBitmap, 10, 14);
    if (!background_) {
        // The first paint keeps the background for the controls' transparent parts.
        background_ = CreateCompatibleDC(dc);
        backgroundBitmap_ = CreateCompatibleBitmap(dc, client.right, client.bottom);
        backgroundPrevious_ = SelectObject(background_, backgroundBitmap_);
        BitBlt(background_, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
        for (ICColorControl* control : backgroundUsers_)
            control->SetMainHdc(background_);
    }
    EndPaint(hwnd_, &ps);
}
