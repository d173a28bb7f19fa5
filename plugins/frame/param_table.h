#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <vector>

// How a plug-in describes itself to the frame: its parameters as rows over its parameter
// struct P, and its settings page as rows of controls. The frame keeps no other table: each
// parameter method walks the plug-in's rows in their order and compares names exactly.

// One parameter: a string (descriptor entry B or E), a 32-bit long (L) or a byte array (A), and
// the page control that shows it (0 for none; no control shows a byte array).
template <class P> struct ParamRow {
    const wchar_t* name;
    std::wstring P::*text; // string parameter, else null
    long P::*number;       // long parameter, else null
    int controlId;
    std::vector<unsigned char> P::*bytes = nullptr; // byte-array parameter, else null
};

template <class P>
constexpr ParamRow<P> StringParam(const wchar_t* name, std::wstring P::*member, int controlId = 0) {
    return {name, member, nullptr, controlId};
}
template <class P>
constexpr ParamRow<P> LongParam(const wchar_t* name, long P::*member, int controlId = 0) {
    return {name, nullptr, member, controlId};
}
template <class P>
constexpr ParamRow<P> BytesParam(const wchar_t* name, std::vector<unsigned char> P::*member) {
    return {name, nullptr, nullptr, 0, member};
}

enum class PageControlKind {
    kLabel,
    kEdit,
    kPasswordEdit, // an edit with ES_PASSWORD
    kCheckBox,     // carries a long: 0 unchecked, anything else checked
    kCombo,        // carries a long: the selected index
    kSwitchCombo,  // carries a long: index 0 for 0, index 1 for any other value
    kButton,
    kLine,
    kMultilineEdit,
};

// One control of the settings page, created at run time in this order (which is also the order
// the page's background goes to them). rect: left, top, right, bottom from the top-left corner
// of the page's client area. items: a combo's entries, ended by a null; null for none.
// values: for a kCombo whose entries stand for values other than their index, the value of each
// entry in the same order; null for none.
struct PageControl {
    PageControlKind kind;
    const wchar_t* text;
    int id; // -1 for labels
    RECT rect;
    const wchar_t* const* items;
    const long* values = nullptr;
};

// A fixed array seen as a list.
template <class T> struct RowList {
    const T* rows;
    size_t count;
    const T* begin() const { return rows; }
    const T* end() const { return rows + count; }
};
template <class T, size_t N> constexpr RowList<T> Rows(const T (&rows)[N]) {
    return {rows, N};
}

// Exact, case-sensitive comparison of the whole name (a BSTR may hold NULs); a null name
// matches nothing.
inline bool NameIs(BSTR name, const wchar_t* expected) {
    if (!name)
        return false;
    const size_t length = SysStringLen(name);
    return length == wcslen(expected) && wmemcmp(name, expected, length) == 0;
}

// The first row of that name in table order, or null.
template <class P> const ParamRow<P>* FindParam(RowList<ParamRow<P>> params, BSTR name) {
    for (const ParamRow<P>& row : params) {
        if (NameIs(name, row.name))
            return &row;
    }
    return nullptr;
}

template <class P> const ParamRow<P>* FindParamOfControl(RowList<ParamRow<P>> params, int id) {
    for (const ParamRow<P>& row : params) {
        if (row.controlId != 0 && row.controlId == id)
            return &row;
    }
    return nullptr;
}

inline const PageControl* FindControl(RowList<PageControl> page, int id) {
    for (const PageControl& control : page) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}
