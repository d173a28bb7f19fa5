#pragma once
#include <windows.h>
#include <unknwn.h>

#include <new>
#include <utility>

#include "module_lock.h"

// One row of a QueryInterface table: the interface id and how to reach it from the object.
struct QiEntry {
    const IID* iid;
    IUnknown* (*cast)(void* object);
};

// The row for Itf on class Self. Via names the interface through which an ambiguous base is
// reached (IDispatch through a dual interface, IUnknown through the first interface).
template <class Self, class Itf, class Via = Itf> constexpr QiEntry QiRow(const IID& iid) {
    return {&iid, [](void* object) -> IUnknown* {
                return static_cast<Itf*>(static_cast<Via*>(static_cast<Self*>(object)));
            }};
}

class ObjectBase;

// Told when an object's last Release destroys it: ObjectDying while it still lives (its count
// is already zero, so nothing may take it again), ObjectDestroyed once it is gone (the pointer
// only names it then).
class LastReleaseObserver {
public:
    virtual void ObjectDying(const ObjectBase* object) noexcept = 0;
    virtual void ObjectDestroyed(const ObjectBase* object) noexcept = 0;

protected:
    ~LastReleaseObserver() = default;
};

// Reference count, QueryInterface table walk and module lock for a COM class. A class derives
// from its interfaces and from ObjectBase, lists its interfaces in a static QiTable() and is
// made by ComObject<Class>. The count starts at 0; the creator takes the first reference.
class ObjectBase {
public:
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;

    // Second stage of construction, run with one reference held; a failure destroys the object.
    virtual HRESULT FinalConstruct() { return S_OK; }

    // Adds a reference unless the count already fell to zero (the object is being destroyed).
    bool TryAddRef() noexcept {
        for (LONG count = refs_; count > 0; count = refs_) {
            if (InterlockedCompareExchange(&refs_, count + 1, count) == count)
                return true;
        }
        return false;
    }
    void SetLastReleaseObserver(LastReleaseObserver* observer) noexcept { observer_ = observer; }

    // FinalConstruct with nothing thrown out of it.
    static HRESULT RunFinalConstruct(ObjectBase* object) noexcept {
        try {
            return object->FinalConstruct();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

protected:
    ObjectBase() noexcept { ModuleLock::Lock(); }
    virtual ~ObjectBase() { ModuleLock::Unlock(); }

    ULONG AddRefImpl() noexcept { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG ReleaseImpl() noexcept {
        LONG count = InterlockedDecrement(&refs_);
        if (count == 0) {
            LastReleaseObserver* observer = observer_;
            const ObjectBase* self = this;
            if (observer)
                observer->ObjectDying(self);
            // A destructor that hands itself out and takes it back must not reach zero again.
            refs_ = kDestroying;
            delete this;
            if (observer)
                observer->ObjectDestroyed(self);
        }
        return static_cast<ULONG>(count);
    }
    // Nulls *out first; E_NOINTERFACE for an id not in the table. Row 0 also answers IUnknown.
    // self is the object as its own class (the type the table's rows cast from).
    static HRESULT QueryInterfaceImpl(void* self, const QiEntry* table, size_t rows, REFIID iid,
                                      void** out) noexcept {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        for (size_t i = 0; i < rows; ++i) {
            if (IsEqualIID(iid, *table[i].iid) || (i == 0 && IsEqualIID(iid, IID_IUnknown))) {
                IUnknown* itf = table[i].cast(self);
                itf->AddRef();
                *out = itf;
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

private:
    static constexpr LONG kDestroying = -(0x7fffffffL / 2);

    volatile LONG refs_ = 0;
    LastReleaseObserver* observer_ = nullptr;
};

// The concrete class of a COM object: IUnknown for every interface of T from T's table.
// T's constructor must not throw; anything that may fail belongs in FinalConstruct.
template <class T> class ComObject final : public T {
public:
    template <class... Args> explicit ComObject(Args&&... args) : T(std::forward<Args>(args)...) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        const auto& table = T::QiTable();
        return T::QueryInterfaceImpl(static_cast<T*>(this), table, sizeof(table) / sizeof(table[0]),
                                     iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return this->ReleaseImpl(); }

    // New object, FinalConstruct run, interface iid in *out. E_OUTOFMEMORY when it can't be
    // allocated; a failed FinalConstruct or QueryInterface destroys it again.
    template <class... Args>
    static HRESULT Create(REFIID iid, void** out, Args&&... args) noexcept {
        ComObject* object = nullptr;
        HRESULT hr = CreateHeld(&object, std::forward<Args>(args)...);
        if (FAILED(hr)) {
            if (out)
                *out = nullptr;
            return hr;
        }
        hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    // New object with FinalConstruct run and one reference held by the caller.
    template <class... Args> static HRESULT CreateHeld(ComObject** held, Args&&... args) noexcept {
        *held = nullptr;
        ComObject* object = new (std::nothrow) ComObject(std::forward<Args>(args)...);
        if (!object)
            return E_OUTOFMEMORY;
        object->AddRef();
        const HRESULT hr = T::RunFinalConstruct(object);
        if (FAILED(hr)) {
            object->Release();
            return hr;
        }
        *held = object;
        return S_OK;
    }
};

// A COM object aggregated by an outer one: the IUnknown of every interface of T is the outer
// object's; the outer object holds the inner, non-delegating IUnknown, whose count owns T.
template <class T> class ComAggregated final : public T {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        return outer_->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

    // New object inside outer, FinalConstruct run; *inner is its non-delegating IUnknown.
    static HRESULT Create(IUnknown* outer, IUnknown** inner) noexcept {
        *inner = nullptr;
        ComAggregated* object = new (std::nothrow) ComAggregated(outer);
        if (!object)
            return E_OUTOFMEMORY;
        object->inner_.AddRef();
        const HRESULT hr = T::RunFinalConstruct(object);
        if (FAILED(hr)) {
            object->inner_.Release();
            return hr;
        }
        *inner = &object->inner_;
        return S_OK;
    }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ComAggregated* object) noexcept : object_(object) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (out && IsEqualIID(iid, IID_IUnknown)) {
                *out = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            const auto& table = T::QiTable();
            return T::QueryInterfaceImpl(static_cast<T*>(object_), table,
                                         sizeof(table) / sizeof(table[0]), iid, out);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return object_->AddRefImpl(); }
        STDMETHODIMP_(ULONG) Release() override { return object_->ReleaseImpl(); }

    private:
        ComAggregated* object_;
    };

    explicit ComAggregated(IUnknown* outer) noexcept : outer_(outer), inner_(this) {}

    IUnknown* outer_;
    Inner inner_;
};
