#pragma once
#include <stddef.h>

#include <utility>
#include <vector>

// Sorts records by name, comparing UTF-16 code units as unsigned numbers: a selection sort
// that, scanning forward, takes a record as the new minimum only when its name is strictly
// lower, so among equal names the first one met is moved first.
template <class Ref> void SortByName(std::vector<Ref>& list) {
    for (size_t position = 0; position < list.size(); ++position) {
        size_t smallest = position;
        for (size_t i = position + 1; i < list.size(); ++i) {
            if (list[i]->Name().Compare(list[smallest]->Name().c_str()) < 0)
                smallest = i;
        }
        if (smallest != position)
            std::swap(list[position], list[smallest]);
    }
}
