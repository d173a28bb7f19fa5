#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

// A parameter value taken from a client's VARIANT. A value of another type is converted as
// automation converts it ("12" to 12, 12 to "12"); what cannot be converted, and objects or
// arrays, which a parameter never holds, are refused with E_INVALIDARG. Allocation failure is
// E_OUTOFMEMORY. Nothing is thrown.
HRESULT LongFromVariant(const VARIANT& value, long* out) noexcept;
HRESULT StringFromVariant(const VARIANT& value, std::wstring* out) noexcept;
// A byte-array parameter takes a one-dimensional array of bytes (VT_ARRAY | VT_UI1, also by
// reference); a null array is an empty one. Anything else is refused with E_INVALIDARG.
HRESULT BytesFromVariant(const VARIANT& value, std::vector<unsigned char>* out) noexcept;

// Fills an [out] VARIANT without releasing what it held (the caller passes an empty one).
HRESULT LongToVariant(long value, VARIANT* out) noexcept;
HRESULT StringToVariant(const std::wstring& value, VARIANT* out) noexcept;
// A new array of the bytes (of no elements when there are none), as VT_ARRAY | VT_UI1.
HRESULT BytesToVariant(const std::vector<unsigned char>& value, VARIANT* out) noexcept;
// A fresh BSTR for an [out] string.
HRESULT StringToBstr(const std::wstring& value, BSTR* out) noexcept;
