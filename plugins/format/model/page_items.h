#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text_pool.h"

// The page model that every format plug-in compiles in: a page arrives as an unordered stream
// of text runs, each with its box in device pixels (y grows downwards). The model decides
// which runs share a line (AssignLines), how many blank lines lie between lines, and the
// reading order within a line (GatherLine); BuildLines and JoinLines make plain lines of it.
// It is platform-neutral: UTF-16 text as char16_t, no Windows types.

// One run of text with its box; owned by its page, which holds the copies of its texts.
struct PositionedItem {
    std::int32_t x0 = 0; // left
    std::int32_t y0 = 0; // top
    std::int32_t x1 = 0; // right
    std::int32_t y1 = 0; // bottom
    std::u16string_view text;
    std::u16string_view font; // the run's font face name
    std::int32_t line = -1;   // set by AssignLines; -1 until then
};

// The items and output lines of one page. The items are kept in arrival order and seen through
// a list that AssignLines reorders; an item's address holds until the next AddItem or Clear
// (the lists of GatherLine point at them), its texts until Clear.
class PageItems {
public:
    PageItems();
    PageItems(const PageItems&) = delete;
    PageItems& operator=(const PageItems&) = delete;

    // Appends an item with copies of both texts and line -1. A box given from its other
    // corners (x1 < x0 or y1 < y0) is normalised, so that no run is lost for the way its
    // box was written. Throws std::bad_alloc.
    void AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::u16string_view text, std::u16string_view font);
    // Deletes every item and line; the containers keep their capacity.
    void Clear();

    size_t ItemCount() const { return items_.size(); }
    // The item at that place of the page's list: arrival order, or AssignLines' order.
    const PositionedItem& Item(size_t index) const { return items_[order_[index]]; }
    // How many items at the front of the list the last AssignLines numbered; items added since
    // are on no line yet.
    size_t AssignedCount() const { return assigned_; }

    // Output lines, filled by BuildLines or by a plug-in's own layout.
    const std::vector<std::u16string>& Lines() const { return lines_; }
    void AppendLine(std::u16string line) { lines_.push_back(std::move(line)); }
    void ClearLines() { lines_.clear(); }

    // Text that BuildLines appends after every item's text; empty unless set.
    const std::u16string& Separator() const { return separator_; }
    void SetSeparator(std::u16string_view separator) { separator_.assign(separator); }

private:
    friend std::int32_t AssignLines(PageItems& page);

    TextPool texts_;
    std::u16string_view lastFont_;      // most runs have the font of the run before
    std::vector<PositionedItem> items_; // arrival order
    std::vector<std::uint32_t> order_;  // the page's list: places in items_
    std::vector<std::u16string> lines_;
    std::u16string separator_;
    size_t assigned_ = 0;
};
