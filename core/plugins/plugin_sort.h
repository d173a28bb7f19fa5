#pragma once
#include <stddef.h>

#include <algorithm>
#include <vector>

// Sorts records by name, comparing UTF-16 code units as unsigned numbers: a selection sort
// that, scanning forward, takes a record as the new minimum only when its name is strictly
// lower, so among equal names the first one met comes first. The minimum is moved into place
// (the records between shift up) rather than swapped, which keeps records of equal names in
// the order they were found.
template <class Ref> void SortByName(std::vector<Ref>& list) {
    for (size_t position = 0; position < list.size(); ++position) {
        size_t smallest = position;
        for (size_t i = position + 1; i < list.size(); ++i) {
            if (list[i]->Name().Compare(list[smallest]->Name().c_str()) < 0)
                smallest = i;
        }
        if (smallest != position)
            std::rotate(list.begin() + position, list.begin() + smallest,
                        list.begin() + smallest + 1);
    }
}
