#pragma once
#include <windows.h>
#include <unknwn.h>

#include <memory>

// A counted interface pointer. Attach takes over a reference, Detach gives it away.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.Detach()) {}
    ~ComPtr() { Release(); }
    ComPtr& operator=(const ComPtr& other)
    {
        if (p_ != other.p_) {
            if (other.p_)
                other.p_->AddRef();
            Release();
            p_ = other.p_;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != std::addressof(other))
            Attach(other.Detach());
        return *this;
    }
    ComPtr& operator=(T* p) { return *this = ComPtr(p); }

    void Attach(T* p)
    {
        Release();
        p_ = p;
    }
    T* Detach()
    {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Release()
    {
        if (T* p = p_) {
            p_ = nullptr;
            p->Release();
        }
    }
    // Address for an out-parameter; drops the current pointer first.
    T** operator&()
    {
        Release();
        return &p_;
    }
    void** AsVoidOut()
    {
        Release();
        return reinterpret_cast<void**>(&p_);
    }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }
    operator T*() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    HRESULT CopyTo(T** out) const
    {
        if (!out)
            return E_POINTER;
        *out = p_;
        if (p_)
            p_->AddRef();
        return S_OK;
    }
    template <class Q> HRESULT As(ComPtr<Q>* out) const { return As(&*out); }
    // For "&holder" of another ComPtr (its operator& gives the raw out-parameter).
    template <class Q> HRESULT As(Q** out) const
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!p_)
            return E_NOINTERFACE;
        return p_->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(out));
    }
    HRESULT CoCreate(REFCLSID clsid, DWORD context = CLSCTX_ALL)
    {
        return CoCreateInstance(clsid, nullptr, context, __uuidof(T), AsVoidOut());
    }

private:
    T* p_ = nullptr;
};
