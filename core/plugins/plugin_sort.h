#pragma once
#include <stddef.h>

#include <windows.h>

#include <algorithm>
#include <vector>

// Orders class ids as their registry key names sort (Data1, Data2, Data3, then the bytes).
inline int CompareClassIds(const CLSID& a, const CLSID& b) {
    if (a.Data1 != b.Data1)
        return a.Data1 < b.Data1 ? -1 : 1;
    if (a.Data2 != b.Data2)
        return a.Data2 < b.Data2 ? -1 : 1;
    if (a.Data3 != b.Data3)
        return a.Data3 < b.Data3 ? -1 : 1;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i])
            return a.Data4[i] < b.Data4[i] ? -1 : 1;
    }
    return 0;
}

// Whether record a goes before record b: by name, comparing UTF-16 code units as unsigned
// numbers; records of one name by class id, so that the one found by that name is the same
// whatever order the category manager gives.
template <class Ref> bool SortsBefore(const Ref& a, const Ref& b) {
    const int byName = a->Name().Compare(b->Name().c_str());
    return byName != 0 ? byName < 0 : CompareClassIds(a->clsid, b->clsid) < 0;
}

// A selection sort that, scanning forward, takes a record as the new minimum only when it
// sorts strictly before the current one. The minimum is moved into place (the records between
// shift up) rather than swapped.
template <class Ref> void SortByName(std::vector<Ref>& list) {
    for (size_t position = 0; position < list.size(); ++position) {
        size_t smallest = position;
        for (size_t i = position + 1; i < list.size(); ++i) {
            if (SortsBefore(list[i], list[smallest]))
                smallest = i;
        }
        if (smallest != position)
            std::rotate(list.begin() + position, list.begin() + smallest,
                        list.begin() + smallest + 1);
    }
}
