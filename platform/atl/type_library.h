#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com_ptr.h"
#include "srw_lock.h"

// Where a class finds the type library of its dual interfaces: the registered library of
// that id and version, else the library embedded in the given module (resource 1).
struct TypeLibrarySource {
    const GUID* libid;
    WORD major;
    WORD minor;
};

// The module that holds the calling code (the DLL or the program).
HMODULE CurrentModule() noexcept;

HRESULT LoadTypeLibrary(const TypeLibrarySource& source, HMODULE module, ITypeLib** out) noexcept;

// The type information of one interface, loaded once on first use. A failed load is not
// remembered, so a later call tries again.
class TypeInfoHolder {
public:
    HRESULT Get(const TypeLibrarySource& source, HMODULE module, REFIID iid,
                ITypeInfo** out) noexcept {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        SrwGuard guard(lock_);
        if (!info_) {
            ComPtr<ITypeLib> library;
            HRESULT hr = LoadTypeLibrary(source, module, &library);
            if (FAILED(hr))
                return hr;
            hr = library->GetTypeInfoOfGuid(iid, &info_);
            if (FAILED(hr))
                return hr;
        }
        return info_.CopyTo(out);
    }

private:
    SrwLock lock_;
    ComPtr<ITypeInfo> info_;
};
