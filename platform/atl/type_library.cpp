#include "type_library.h"

HMODULE CurrentModule() noexcept {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&CurrentModule), &module);
    return module;
}

HRESULT LoadTypeLibrary(const TypeLibrarySource& source, HMODULE module, ITypeLib** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    HRESULT hr = LoadRegTypeLib(*source.libid, source.major, source.minor, LOCALE_NEUTRAL, out);
    if (SUCCEEDED(hr))
        return hr;
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return hr;
    return LoadTypeLibEx(path, REGKIND_NONE, out);
}
