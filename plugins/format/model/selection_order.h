#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Puts elements into exactly the order that a selection sort by an integer key leaves them in:
// for each position from the first, the element of smallest key among that position and those
// after it (the first one found of equal keys) is swapped into it. The swaps decide the order
// of equal keys, and callers and stored output depend on that order; a tournament tree finds
// each minimum, so the cost is n log n instead of the selection sort's n squared.
// key(element) returns something convertible to std::int64_t.
template <class T, class Key> void SelectionSortOrder(std::vector<T>& elements, Key key) {
    const size_t count = elements.size();
    if (count < 2)
        return;
    std::vector<std::int64_t> keys(count);
    for (size_t i = 0; i < count; ++i)
        keys[i] = key(elements[i]);

    // tree[leaves + i] stands for position i; an inner node holds the position of the smallest
    // key below it, the leftmost of equal keys; `none` is an empty position.
    const size_t none = count;
    size_t leaves = 1;
    while (leaves < count)
        leaves *= 2;
    std::vector<size_t> tree(2 * leaves, none);
    auto better = [&](size_t a, size_t b) {
        if (a == none)
            return b;
        if (b == none)
            return a;
        return keys[b] < keys[a] ? b : a; // a lies left of b: it wins a tie
    };
    auto update = [&](size_t position, size_t value) {
        size_t node = leaves + position;
        tree[node] = value;
        for (node /= 2; node >= 1; node /= 2)
            tree[node] = better(tree[2 * node], tree[2 * node + 1]);
    };
    for (size_t i = 0; i < count; ++i)
        tree[leaves + i] = i;
    for (size_t node = leaves - 1; node >= 1; --node)
        tree[node] = better(tree[2 * node], tree[2 * node + 1]);

    for (size_t position = 0; position + 1 < count; ++position) {
        const size_t smallest = tree[1];
        if (smallest != position) {
            std::swap(elements[position], elements[smallest]);
            std::swap(keys[position], keys[smallest]);
            update(smallest, smallest); // now holds what stood at position
        }
        update(position, none); // placed for good
    }
}
