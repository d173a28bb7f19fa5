#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

// The platform-neutral code works on char16_t text; a plug-in converts at its COM edge.
// WCHAR and char16_t are both UTF-16 code units, so the conversion copies unit by unit.

// The whole BSTR (its length prefix, not a terminator, ends it); empty for null. Throws
// std::bad_alloc.
inline std::u16string Utf16FromBstr(BSTR text) {
    const UINT length = SysStringLen(text);
    return std::u16string(text, text + length);
}

// A fresh BSTR for an [out] string; E_OUTOFMEMORY when it cannot be allocated.
inline HRESULT Utf16ToBstr(std::u16string_view text, BSTR* out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (text.size() > 0x7FFFFFF0u)
        return E_OUTOFMEMORY;
    BSTR copy = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (!copy)
        return E_OUTOFMEMORY;
    for (size_t i = 0; i < text.size(); ++i)
        copy[i] = static_cast<WCHAR>(text[i]);
    *out = copy;
    return S_OK;
}
