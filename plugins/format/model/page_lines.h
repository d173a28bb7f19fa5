#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "page_items.h"

// Line assignment over a PageItems and plain lines made from it.

// A gap between two lines is measured in pitches of the lower line's items, each whole pitch
// beyond the first a blank line. A coordinate far off the page would make millions of them:
// one gap gives at most kMaxGapLines blank lines and a page at most kMaxBlankLinesPerPage in
// all, after which lines follow one another without blank lines between them. No item is lost.
constexpr std::int64_t kMaxGapLines = 1000;
constexpr std::int64_t kMaxBlankLinesPerPage = 65536;

// Sorts the items by bottom edge (in a selection sort's order, see selection_order.h) and
// gives each its line number; returns the number of lines, blank ones included (0 for an empty
// page). Line numbers never decrease along the sorted list, so a line's items are contiguous.
//
// An item starting at or below the reference bottom (the lowest bottom so far) starts a new
// line, after a blank line for every whole pitch (height * 1.065, rounded half down) of the gap
// beyond the first, and one more when the rest is above 70% of a pitch. An item whose top lies
// above the reference bottom joins the current line when at least 60% of its height overlaps
// it. An item without height has no pitch: it joins the current line when its bottom is the
// reference bottom, and starts the next line otherwise.
std::int32_t AssignLines(PageItems& page);

// The place in the page's list of the items of one line (empty for a blank line or a line
// number AssignLines did not give). Valid until the page changes.
struct LineItemRange {
    size_t first = 0;
    size_t end = 0;
    bool Empty() const { return first == end; }
};
LineItemRange LineItems(const PageItems& page, std::int32_t line);

// Appends the items of that line to list, then sorts the whole list by left edge in a
// selection sort's order (of equal left edges the one found first stays first).
void GatherLine(const PageItems& page, std::int32_t line, std::vector<const PositionedItem*>& list);

// Assigns the lines and fills the page's lines: each line is its items' texts in left-edge
// order, each followed by the separator (the last one too); a blank line is an empty string.
void BuildLines(PageItems& page);

// Every line of the page followed by CR LF, in one string (empty when there are no lines).
std::u16string JoinLines(const PageItems& page);
