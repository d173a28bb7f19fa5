#include "param_layout.h"

namespace {

bool KindOfLetter(wchar_t letter, CfgKind* kind) {
    switch (letter) {
    case L'L':
        *kind = kCfgLong;
        return true;
    case L'B':
        *kind = kCfgString;
        return true;
    case L'E':
        *kind = kCfgProtectedString;
        return true;
    case L'A':
        *kind = kCfgByteArray;
        return true;
    default:
        return false;
    }
}

} // namespace

ParamLayout ParamLayout::Parse(const wchar_t* descriptor) {
    ParamLayout layout;
    const wchar_t* p = descriptor ? descriptor : L"";
    CfgKind kind;
    while (*p && KindOfLetter(*p, &kind)) {
        const wchar_t* name = ++p;
        while (*p && *p != L',')
            ++p;
        if (p > name)
            layout.params.push_back({kind, std::wstring(name, p)});
        if (!*p)
            break;
        ++p; // the comma
    }
    return layout;
}
