#pragma once
#include <windows.h>

#include <new>

// Early return for failed HRESULTs, so that COM method bodies stay flat.
#define RETURN_IF_FAILED(expr)                                                                     \
    do {                                                                                           \
        HRESULT hr_ = (expr);                                                                      \
        if (FAILED(hr_))                                                                           \
            return hr_;                                                                            \
    } while (0)

#define RETURN_IF_NULL(ptr)                                                                        \
    do {                                                                                           \
        if (!(ptr))                                                                                \
            return E_POINTER;                                                                      \
    } while (0)

// Runs body and turns any C++ exception into an HRESULT, so that none crosses a COM method,
// a DLL export or a thread entry.
template <class Body> HRESULT GuardedCall(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
