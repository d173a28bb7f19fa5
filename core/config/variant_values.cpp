#include "variant_values.h"

bool LongFromVariant(const VARIANT& value, LONG* number) {
    switch (value.vt) {
    case VT_I4:
    case VT_INT:
        *number = value.lVal;
        return true;
    case VT_UI4:
    case VT_UINT:
        *number = static_cast<LONG>(value.ulVal);
        return true;
    case VT_I2:
        *number = value.iVal;
        return true;
    case VT_I1:
        *number = static_cast<signed char>(value.cVal);
        return true;
    case VT_UI2:
        *number = value.uiVal;
        return true;
    case VT_UI1:
        *number = value.bVal;
        return true;
    default:
        return false;
    }
}

bool IsByteArrayVariant(const VARIANT& value) {
    return value.vt == (VT_ARRAY | VT_UI1) &&
           (!value.parray ||
            (SafeArrayGetDim(value.parray) == 1 && SafeArrayGetElemsize(value.parray) == 1));
}
