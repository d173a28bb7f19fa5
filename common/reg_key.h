#pragma once
#include <windows.h>

#include "registry.h"

// An open registry key, closed when the holder goes. Opens the product key's view by default.
class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            Close();
            key_ = other.Detach();
        }
        return *this;
    }

    bool Open(HKEY root, const wchar_t* path, REGSAM access, REGSAM view = kProductKeyView) {
        Close();
        return RegOpenKeyExW(root, path, 0, access | view, &key_) == ERROR_SUCCESS ||
               (key_ = nullptr, false);
    }
    bool Create(HKEY root, const wchar_t* path, REGSAM access, REGSAM view = kProductKeyView) {
        Close();
        return RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access | view,
                               nullptr, &key_, nullptr) == ERROR_SUCCESS ||
               (key_ = nullptr, false);
    }
    void Close() {
        if (key_) {
            RegCloseKey(key_);
            key_ = nullptr;
        }
    }
    HKEY Get() const { return key_; }
    HKEY Detach() {
        HKEY key = key_;
        key_ = nullptr;
        return key;
    }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};
