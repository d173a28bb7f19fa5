#pragma once
#include <windows.h>
#include <oleauto.h>

#include <memory>

// An owned BSTR.
class ComBstr {
public:
    ComBstr() = default;
    explicit ComBstr(const wchar_t* text) : s_(text ? SysAllocString(text) : nullptr) {}
    ComBstr(const wchar_t* text, UINT length) : s_(SysAllocStringLen(text, length)) {}
    ComBstr(const ComBstr& other) : s_(other.s_ ? SysAllocStringLen(other.s_, other.Length()) : nullptr) {}
    ComBstr(ComBstr&& other) noexcept : s_(other.Detach()) {}
    ~ComBstr() { SysFreeString(s_); }
    ComBstr& operator=(const ComBstr& other)
    {
        if (this != std::addressof(other))
            Attach(other.s_ ? SysAllocStringLen(other.s_, other.Length()) : nullptr);
        return *this;
    }
    ComBstr& operator=(ComBstr&& other) noexcept
    {
        if (this != std::addressof(other))
            Attach(other.Detach());
        return *this;
    }

    void Attach(BSTR s)
    {
        if (s != s_)
            SysFreeString(s_);
        s_ = s;
    }
    BSTR Detach()
    {
        BSTR s = s_;
        s_ = nullptr;
        return s;
    }
    // Address for an out-parameter; frees the current string first.
    BSTR* operator&()
    {
        Attach(nullptr);
        return &s_;
    }
    // A copy for an [out] parameter: E_POINTER for null, E_OUTOFMEMORY when the copy fails.
    HRESULT CopyTo(BSTR* out) const
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!s_)
            return S_OK;
        *out = SysAllocStringLen(s_, Length());
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    BSTR Get() const { return s_; }
    operator BSTR() const { return s_; }
    // Never null: an absent string reads as "".
    const wchar_t* c_str() const { return s_ ? s_ : L""; }
    UINT Length() const { return SysStringLen(s_); }
    bool Empty() const { return Length() == 0; }

private:
    BSTR s_ = nullptr;
};
