#pragma once
#include <windows.h>
#include <oleauto.h>

// An owned SAFEARRAY, destroyed when the holder goes.
class ComSafeArray {
public:
    ComSafeArray() = default;
    explicit ComSafeArray(SAFEARRAY* array) : array_(array) {}
    ~ComSafeArray() { Reset(); }
    ComSafeArray(const ComSafeArray&) = delete;
    ComSafeArray& operator=(const ComSafeArray&) = delete;
    ComSafeArray(ComSafeArray&& other) noexcept : array_(other.Detach()) {}
    ComSafeArray& operator=(ComSafeArray&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    // A one-dimensional array of count elements of type vt, lower bound 0; false when out of
    // memory.
    bool Create(VARTYPE vt, ULONG count) noexcept {
        Reset(SafeArrayCreateVector(vt, 0, count));
        return array_ != nullptr;
    }
    void Reset(SAFEARRAY* array = nullptr) noexcept {
        if (array_ && array_ != array)
            SafeArrayDestroy(array_);
        array_ = array;
    }
    SAFEARRAY* Detach() noexcept {
        SAFEARRAY* array = array_;
        array_ = nullptr;
        return array;
    }
    SAFEARRAY* Get() const { return array_; }
    explicit operator bool() const { return array_ != nullptr; }
    // Elements of a one-dimensional array; 0 for none.
    ULONG Count() const noexcept {
        LONG low = 0, high = -1;
        if (!array_ || FAILED(SafeArrayGetLBound(array_, 1, &low)) ||
            FAILED(SafeArrayGetUBound(array_, 1, &high)))
            return 0;
        return static_cast<ULONG>(high - low + 1);
    }

private:
    SAFEARRAY* array_ = nullptr;
};

// Access to a SAFEARRAY's data for as long as the holder lives.
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array) noexcept : array_(array) {
        if (!array_ || FAILED(SafeArrayAccessData(array_, &data_))) {
            array_ = nullptr;
            data_ = nullptr;
        }
    }
    ~SafeArrayAccess() {
        if (array_)
            SafeArrayUnaccessData(array_);
    }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    void* Data() const { return data_; }
    explicit operator bool() const { return data_ != nullptr; }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};
