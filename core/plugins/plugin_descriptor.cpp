#include "plugin_descriptor.h"

#include <wchar.h>

namespace {

bool IsTypeLetter(wchar_t c) {
    return c == L'L' || c == L'B' || c == L'E' || c == L'A';
}

} // namespace

bool DescriptorIsWellFormed(const wchar_t* descriptor) {
    const wchar_t* p = descriptor ? descriptor : L"";
    while (*p) {
        if (!IsTypeLetter(*p))
            return false;
        const wchar_t* comma = wcschr(p, L',');
        if (!comma)
            return true;
        p = comma + 1;
    }
    return true;
}
