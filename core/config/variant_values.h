#pragma once
#include <windows.h>
#include <oleauto.h>

// The VARIANT types a stored value accepts from clients and plug-ins.

// The integer types of 32 bits or fewer: 32-bit ones are taken as they are, I2 and I1
// sign-extended, UI2 and UI1 zero-extended. By-reference values are refused.
bool LongFromVariant(const VARIANT& value, LONG* number);
// VT_ARRAY|VT_UI1 with one dimension of single bytes, or with no array at all.
bool IsByteArrayVariant(const VARIANT& value);
