#include "desktop_input.h"

#include <cstdio>

HWND CreateTestWindow(const wchar_t* className, const wchar_t* title, int width, int height,
                      void* self, WNDPROC proc) {
    WNDCLASSW wc{};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), className, &wc)) {
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
        wc.lpszClassName = className;
        RegisterClassW(&wc);
    }
    // The procedure is set after creation, so that it never runs without its object.
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, className, title, WS_POPUP, 40, 40, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    return window;
}

void TypeToFocus(const std::wstring& text, const MessagePump& pump) {
    for (wchar_t c : text) {
        PostMessageW(GetFocus(), WM_CHAR, c, 1);
        pump();
    }
}

void PressKeyOnFocus(UINT key, const MessagePump& pump) {
    HWND focus = GetFocus();
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    PostMessageW(focus, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageW(focus, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
    pump();
}

void RealClickOn(HWND window, const MessagePump& pump) {
    RECT area;
    GetWindowRect(window, &area);
    const int screenX = GetSystemMetrics(SM_CXSCREEN), screenY = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (auto& input : inputs)
        input.type = INPUT_MOUSE;
    inputs[0].mi.dx = ((area.left + area.right) / 2) * 65535 / (screenX - 1);
    inputs[0].mi.dy = ((area.top + area.bottom) / 2) * 65535 / (screenY - 1);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, inputs, sizeof(INPUT));
    // Real input arrives through the server; a few rounds let it through without a timed wait.
    for (int round = 0; round < 20; ++round) {
        pump();
        Sleep(10);
    }
}

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT area;
    GetWindowRect(window, &area);
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((width * 3 + 3) / 4) * 4, size = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    info.bmiHeader.biSizeImage = size;
    bool written = false;
    if (FILE* out = _wfopen(path.c_str(), L"wb")) {
        written = fwrite(&file, sizeof file, 1, out) == 1 &&
                  fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                  fwrite(bits, size, 1, out) == 1;
        written = fclose(out) == 0 && written;
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return written;
}
