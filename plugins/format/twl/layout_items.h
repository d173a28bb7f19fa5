#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page_items.h"
#include "page_lines.h"

// The text-with-layout format's page: its items laid out in character rows of a fixed-pitch
// grid, every item in the column its left edge falls on, so that a printed page's horizontal
// layout survives in plain text. Platform-neutral. One object serves page after page.
//
// The character width is found by trial: it starts at the widest character of the page and
// shrinks while some line does not fit the grid (never below 3). A line fits when its items
// take no cell twice and no two items apart on the page touch in the grid, which would join
// their words. A line that still does not fit is written as its texts, each followed by a
// space.

// The widest character width tried, in device pixels; wider runs (a few glyphs stretched over
// the page) would only make the trial long.
constexpr std::int64_t kMaxCharWidth = 4096;
// The last column an item may start in: one far off the page starts there, so that a line stays
// bounded; its text is kept.
constexpr std::int64_t kMaxColumn = 16383;

class LayoutItems {
public:
    LayoutItems() = default;
    LayoutItems(const LayoutItems&) = delete;
    LayoutItems& operator=(const LayoutItems&) = delete;

    // Empties the page and takes the new page's height in device pixels.
    void StartPage(std::int32_t pageHeight);
    // Adds an item as PageItems::AddItem does; an item whose text is blank (IsBlankText) is
    // dropped unless keepBlank. Throws std::bad_alloc.
    void AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::u16string_view text, std::u16string_view font, bool keepBlank);
    // Lays the page out and returns its text, every line followed by CR LF ("" for a page
    // without items). With margins, blank lines stand for the space above the first and below
    // the last text line, and columns count from the page's left edge instead of from its
    // leftmost item. The text stays until the next StartPage or EndPage. Throws
    // std::bad_alloc.
    const std::u16string& EndPage(bool margins);

    const PageItems& Page() const { return page_; }
    // The number of lines of the text EndPage returned.
    size_t LineCount() const { return lineCount_; }

private:
    PageItems page_;
    // The page's text, built in place line after line; its buffer serves page after page.
    std::u16string text_;
    size_t lineCount_ = 0;
    // The lines with items, their items by left edge: buffers kept for the next page.
    std::vector<const PositionedItem*> gridItems_;
    std::vector<LineItemRange> gridLines_;
    std::int32_t pageHeight_ = 0;
};
