#pragma once
#include <windows.h>
#include <unknwn.h>

#include "com_object.h"
#include "module_lock.h"
#include "srw_lock.h"

// A class object of static lifetime: its own reference count does not hold the module (a
// local server's registered class objects would otherwise keep it running); LockServer does.
class StaticClassFactory : public IClassFactory {
public:
    StaticClassFactory() = default;
    StaticClassFactory(const StaticClassFactory&) = delete;
    StaticClassFactory& operator=(const StaticClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory))
            return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            ModuleLock::Lock();
        else
            ModuleLock::Unlock();
        return S_OK;
    }

protected:
    ~StaticClassFactory() = default;

    // Common checks of CreateInstance; S_OK when the call may go on.
    static HRESULT CheckCreateArguments(IUnknown* outer, void** out) noexcept {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return outer ? CLASS_E_NOAGGREGATION : S_OK;
    }
};

// Makes a new T for every activation.
template <class T> class ClassFactory final : public StaticClassFactory {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        HRESULT hr = CheckCreateArguments(outer, out);
        if (FAILED(hr))
            return hr;
        return ComObject<T>::Create(iid, out);
    }
};

// Makes a new T for every activation, plain or inside an outer object (which must ask for
// IUnknown, as aggregation requires).
template <class T> class AggregatableClassFactory final : public StaticClassFactory {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!outer)
            return ComObject<T>::Create(iid, out);
        if (!IsEqualIID(iid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        return ComAggregated<T>::Create(outer, reinterpret_cast<IUnknown**>(out));
    }
};

// Hands every activation the same T while one lives, and holds it weakly: the object is
// destroyed at its last Release and made anew by the next activation. An activation that
// meets an object whose count already fell to zero waits until it is gone, so a dying object
// is never handed out again and two never live at once.
template <class T>
class SingletonFactory final : public StaticClassFactory, private LastReleaseObserver {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        HRESULT hr = CheckCreateArguments(outer, out);
        if (FAILED(hr))
            return hr;
        ComObject<T>* object = nullptr;
        {
            SrwGuard guard(lock_);
            // A dying object is waited for: it is forgotten before it is freed, so current_
            // names only live memory, and a new one is made once the old one is gone.
            while (dying_ || (current_ && !current_->TryAddRef()))
                gone_.Wait(lock_);
            if (current_) {
                object = current_;
            } else {
                // Made under the lock: a second activation waits for this one's object. So
                // T's FinalConstruct must not activate its own class.
                hr = ComObject<T>::CreateHeld(&object);
                if (FAILED(hr))
                    return hr;
                object->SetLastReleaseObserver(this);
                current_ = object;
            }
        }
        hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }

    // Whether an object lives now (for tests and the server's idle check).
    bool HasObject() noexcept {
        SrwGuard guard(lock_);
        return current_ != nullptr;
    }

private:
    void ObjectDying(const ObjectBase* object) noexcept override {
        SrwGuard guard(lock_);
        if (current_ && static_cast<const ObjectBase*>(current_) == object) {
            current_ = nullptr;
            dying_ = true;
        }
    }
    void ObjectDestroyed(const ObjectBase*) noexcept override {
        SrwGuard guard(lock_);
        dying_ = false;
        gone_.WakeAll();
    }

    SrwLock lock_;
    ConditionVariable gone_;
    ComObject<T>* current_ = nullptr;
    bool dying_ = false;
};

// One row of a module's class table, walked by GetClassObjectFromTable.
struct ClassEntry {
    const CLSID* clsid;
    IClassFactory* factory;
};

// DllGetClassObject over a class table: CLASS_E_CLASSNOTAVAILABLE for an unknown class.
inline HRESULT GetClassObjectFromTable(const ClassEntry* table, size_t rows, REFCLSID clsid,
                                       REFIID iid, void** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < rows; ++i) {
        if (IsEqualCLSID(clsid, *table[i].clsid))
            return table[i].factory->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

// A class object registered with CoRegisterClassObject for as long as the holder lives.
class ClassObjectRegistration {
public:
    ClassObjectRegistration() = default;
    ~ClassObjectRegistration() { Revoke(); }
    ClassObjectRegistration(const ClassObjectRegistration&) = delete;
    ClassObjectRegistration& operator=(const ClassObjectRegistration&) = delete;

    HRESULT Register(REFCLSID clsid, IClassFactory* factory, DWORD context = CLSCTX_LOCAL_SERVER,
                     DWORD flags = REGCLS_MULTIPLEUSE) noexcept {
        Revoke();
        return CoRegisterClassObject(clsid, factory, context, flags, &cookie_);
    }
    void Revoke() noexcept {
        if (cookie_) {
            CoRevokeClassObject(cookie_);
            cookie_ = 0;
        }
    }

private:
    DWORD cookie_ = 0;
};
