#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

// Puts elements into exactly the order that a selection sort by an integer key leaves them in:
// for each position from the first, the element of smallest key among that position and those
// after it (the first one found of equal keys) is swapped into it. The swaps decide the order
// of equal keys, and output depends on that order; this finds the same order in n log n where
// the selection sort takes n squared.
//
// Why it is the same: the selection sort places the elements of one key one after another,
// once every smaller key is placed, and always picks the leftmost of them. While it does, the
// others of that key stay where they are (only the picked element and the one it displaces
// move). So each key's elements are placed in the order of the positions they hold when their
// turn comes; those positions follow from replaying the swaps of the smaller keys.
// key(element) returns something convertible to std::int64_t.
template <class T, class Key> void SelectionSortOrder(std::vector<T>& elements, Key key) {
    const size_t count = elements.size();
    size_t sorted = 1;
    while (sorted < count && !(key(elements[sorted]) < key(elements[sorted - 1])))
        ++sorted;
    if (sorted >= count)
        return; // every element is already the leftmost smallest of the rest: no swap
    std::vector<std::int64_t> keys(count);
    for (size_t i = 0; i < count; ++i)
        keys[i] = key(elements[i]);

    // Elements are named by their first position.
    std::vector<size_t> byKey(count);
    std::iota(byKey.begin(), byKey.end(), size_t{0});
    std::sort(byKey.begin(), byKey.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<size_t> at(count);    // at[position]: the element there now
    std::vector<size_t> where(count); // where[element]: its position now
    std::iota(at.begin(), at.end(), size_t{0});
    std::iota(where.begin(), where.end(), size_t{0});

    std::vector<size_t> turn; // the positions of one key's elements
    size_t position = 0;
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && keys[byKey[end]] == keys[byKey[first]])
            ++end;
        turn.clear();
        for (size_t i = first; i < end; ++i)
            turn.push_back(where[byKey[i]]);
        std::sort(turn.begin(), turn.end());
        for (size_t from : turn) {
            if (from != position) {
                const size_t picked = at[from];
                const size_t displaced = at[position];
                at[position] = picked;
                at[from] = displaced;
                where[picked] = position;
                where[displaced] = from;
            }
            ++position;
        }
        first = end;
    }

    std::vector<T> placed;
    placed.reserve(count);
    for (size_t element : at)
        placed.push_back(std::move(elements[element]));
    elements.swap(placed);
}
