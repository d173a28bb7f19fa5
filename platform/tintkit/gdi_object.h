#pragma once
#include <windows.h>

// A GDI object (font, bitmap, brush, palette, region) deleted when the holder goes.
template <class T> class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : object_(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : object_(other.Release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T Release() {
        T object = object_;
        object_ = nullptr;
        return object;
    }
    void Reset(T object = nullptr) {
        if (object_)
            DeleteObject(object_);
        object_ = object;
    }

private:
    T object_ = nullptr;
};

// A memory DC deleted when the holder goes; the object first selected into it is put back.
class MemoryDc {
public:
    MemoryDc() = default;
    ~MemoryDc() { Reset(); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    // A DC compatible with reference (the screen when null) with object selected into it.
    bool Create(HDC reference, HGDIOBJ object) {
        Reset();
        dc_ = CreateCompatibleDC(reference);
        if (!dc_)
            return false;
        previous_ = SelectObject(dc_, object);
        return true;
    }
    void Reset() {
        if (!dc_)
            return;
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A window's DC from GetDC, released when the holder goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint/EndPaint around a WM_PAINT handler.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    ~PaintScope() { EndPaint(window_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};
