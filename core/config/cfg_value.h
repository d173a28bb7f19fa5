#pragma once
#include <windows.h>
#include <oleauto.h>

#include "safe_byte_array.h"
#include "wstring.h"

// The kinds of a stored value; the numbers are those of the parameter descriptor's letters.
enum CfgKind : LONG {
    kCfgLong = 0,
    kCfgString = 1,
    kCfgProtectedString = 2,
    kCfgByteArray = 3,
};

// One typed setting. A new value is a long of 0 with no text, no bytes and not exposed.
// Copies are deep: the byte array is copied with SafeArrayCopy.
struct CfgValue {
    LONG kind = kCfgLong;
    // Strings (plain, also when protected); for byte arrays the file the bytes were loaded from
    // or last saved to, empty when none.
    WString text;
    SafeByteArray bytes;
    LONG number = 0;
    bool exposed = false;

    CfgValue() = default;
    explicit CfgValue(LONG kind, bool exposed = false) : kind(kind), exposed(exposed) {}
    CfgValue(const CfgValue& other);
    CfgValue& operator=(const CfgValue& other);

    bool IsString() const { return kind == kCfgString || kind == kCfgProtectedString; }
    // A fresh value of the same kind, keeping the exposed flag.
    void Reset();
};
