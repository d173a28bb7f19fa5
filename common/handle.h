#pragma once
#include <windows.h>

// A kernel handle closed when the holder goes. Both null and INVALID_HANDLE_VALUE mean none.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : h_(h) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    bool Valid() const { return IsValid(h_); }
    explicit operator bool() const { return Valid(); }
    HANDLE Get() const { return h_; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void Reset(HANDLE h = nullptr) {
        if (IsValid(h_))
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};
