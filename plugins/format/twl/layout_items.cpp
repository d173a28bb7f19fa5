#include "layout_items.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "blank_text.h"
#include "page_lines.h"
#include "round_half_down.h"

namespace {

// The character width search stops shrinking here.
constexpr std::int64_t kNarrowestSearchedWidth = 3;

// What the layout takes from the whole page (64-bit: differences of coordinates need 33 bits).
struct PageExtent {
    std::int64_t charWidth = 0; // widest rounded width per character; 0 without text
    std::int64_t left = std::numeric_limits<std::int64_t>::max();
    std::int64_t top = std::numeric_limits<std::int64_t>::max();
    std::int64_t bottom = std::numeric_limits<std::int64_t>::min();
};

PageExtent MeasurePage(const PageItems& page) {
    PageExtent extent;
    for (size_t i = 0; i < page.ItemCount(); ++i) {
        const PositionedItem& item = page.Item(i);
        // An empty text has no characters to measure (it may come with document spaces on).
        if (!item.text.empty()) {
            const std::int64_t width = std::int64_t{item.x1} - item.x0;
            const auto length = static_cast<std::int64_t>(item.text.size());
            extent.charWidth = std::max(extent.charWidth, RoundedQuotient(width, length));
        }
        extent.left = std::min<std::int64_t>(extent.left, item.x0);
        extent.top = std::min<std::int64_t>(extent.top, item.y0);
        extent.bottom = std::max<std::int64_t>(extent.bottom, item.y1);
    }
    extent.charWidth = std::min(extent.charWidth, kMaxCharWidth);
    return extent;
}

// The page's lines in the grid: for each line with items, its items in left-edge order, so
// that whether a line fits at a character width is one pass over it, without writing a cell.
class Grid {
public:
    // byLeft and lines: buffers for the grid's lists, emptied first.
    Grid(const PageItems& page, std::vector<const PositionedItem*>& byLeft,
         std::vector<LineItemRange>& lines)
        : byLeft_(byLeft), lines_(lines) {
        byLeft_.clear();
        lines_.clear();
        byLeft_.reserve(page.ItemCount());
        for (size_t i = 0; i < page.ItemCount(); ++i)
            byLeft_.push_back(&page.Item(i));
        // The items come sorted by line; order each line's run by left edge.
        for (size_t first = 0; first < byLeft_.size();) {
            size_t end = first + 1;
            while (end < byLeft_.size() && byLeft_[end]->line == byLeft_[first]->line)
                ++end;
            // Of equal left edges either may come first: they overlap whatever the width.
            std::sort(
                byLeft_.begin() + static_cast<std::ptrdiff_t>(first),
                byLeft_.begin() + static_cast<std::ptrdiff_t>(end),
                [](const PositionedItem* a, const PositionedItem* b) { return a->x0 < b->x0; });
            lines_.push_back({first, end});
            first = end;
        }
    }

    size_t LineCount() const { return lines_.size(); }
    // The items of a line with items, as a place in the page's sorted list, and its number.
    LineItemRange Items(size_t line) const { return lines_[line]; }
    std::int32_t LineNumber(size_t line) const { return byLeft_[lines_[line].first]->line; }

    // Whether the items of line (an index among the lines with items) take no cell twice, and
    // items apart on the page do not touch in the grid.
    bool Fits(size_t line, std::int64_t charWidth, std::int64_t left) const {
        const PositionedItem* last = nullptr; // the item whose cells end furthest right so far
        std::int64_t taken = std::numeric_limits<std::int64_t>::min(); // where they end
        for (size_t i = lines_[line].first; i < lines_[line].end; ++i) {
            const PositionedItem& item = *byLeft_[i];
            if (item.text.empty())
                continue;
            const std::int64_t column = Column(item, charWidth, left);
            if (column < taken || (column == taken && ApartOnPage(*last, item)))
                return false;
            const std::int64_t end = column + static_cast<std::int64_t>(item.text.size());
            if (end > taken) {
                taken = end;
                last = &item;
            }
        }
        return true;
    }

    // Appends a line that fits: each item's text at its column, spaces before and between.
    void WriteLine(size_t line, std::int64_t charWidth, std::int64_t left,
                   std::u16string& out) const {
        std::int64_t at = 0; // the column the line has reached
        for (size_t i = lines_[line].first; i < lines_[line].end; ++i) {
            const PositionedItem& item = *byLeft_[i];
            if (item.text.empty())
                continue;
            const std::int64_t column = Column(item, charWidth, left);
            out.append(static_cast<size_t>(column - at), u' ');
            out += item.text;
            at = column + static_cast<std::int64_t>(item.text.size());
        }
    }

    // The first line with items, other than skip, that does not fit; or LineCount().
    size_t FirstMisfit(std::int64_t charWidth, std::int64_t left, size_t skip) const {
        for (size_t line = 0; line < lines_.size(); ++line) {
            if (line != skip && !Fits(line, charWidth, left))
                return line;
        }
        return lines_.size();
    }

    // The column of an item's left edge: round-half-down((cw div 2 + x0 - left) / cw), kept
    // between 0 (for an item left of the origin) and kMaxColumn.
    static std::int64_t Column(const PositionedItem& item, std::int64_t charWidth,
                               std::int64_t left) {
        const std::int64_t column =
            RoundedQuotient(charWidth / 2 + item.x0 - left, std::max<std::int64_t>(charWidth, 1));
        return std::clamp<std::int64_t>(column, 0, kMaxColumn);
    }

private:
    // A gap of more than half a character of the left item between them on the page: they
    // are separate words, and text written without a cell between them would join them into
    // one. (The runs of one word split by the printing program touch or overlap.)
    static bool ApartOnPage(const PositionedItem& leftItem, const PositionedItem& rightItem) {
        const std::int64_t gap = std::int64_t{rightItem.x0} - leftItem.x1;
        const std::int64_t width = std::int64_t{leftItem.x1} - leftItem.x0;
        return gap > 0 &&
               2.0 * static_cast<double>(gap) * static_cast<double>(leftItem.text.size()) >
                   static_cast<double>(width);
    }

    std::vector<const PositionedItem*>& byLeft_;
    std::vector<LineItemRange>& lines_; // in byLeft_, the same places as in the page's list
};

// From the widest character down, the first width at which every line fits, but not below 3
// (a width that starts at 3 or less is kept). The line that failed last is tried first at the
// next width, since it is the likeliest to fail again; which width is found does not depend on
// the order in which lines are tried.
std::int64_t SearchCharWidth(const Grid& grid, std::int64_t charWidth, std::int64_t left) {
    size_t failing = grid.LineCount();
    while (charWidth > kNarrowestSearchedWidth) {
        if (failing < grid.LineCount() && !grid.Fits(failing, charWidth, left)) {
            --charWidth;
            continue;
        }
        failing = grid.FirstMisfit(charWidth, left, failing);
        if (failing == grid.LineCount())
            break;
        --charWidth;
    }
    return charWidth;
}

// The page's text as the layout writes it: lines, each ended by CR LF, counted.
class PageWriter {
public:
    PageWriter(std::u16string& text, size_t& lines) : text_(text), lines_(lines) {}

    std::u16string& Text() { return text_; }
    void EndLine() {
        text_ += u"\r\n";
        ++lines_;
    }
    void BlankLines(std::int64_t count) {
        for (std::int64_t i = 0; i < std::min(count, kMaxGapLines); ++i)
            EndLine();
    }

private:
    std::u16string& text_;
    size_t& lines_;
};

// The line's texts, each followed by a space, in the page's sorted order: the text of a line
// that fits the grid at no width.
void WriteLineAsTexts(const PageItems& page, LineItemRange range, PageWriter& out) {
    for (size_t i = range.first; i < range.end; ++i) {
        out.Text() += page.Item(i).text;
        out.Text() += u' ';
    }
    out.EndLine();
}

} // namespace

void LayoutItems::StartPage(std::int32_t pageHeight) {
    page_.Clear();
    text_.clear();
    lineCount_ = 0;
    pageHeight_ = pageHeight;
}

void LayoutItems::AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                          std::u16string_view text, std::u16string_view font, bool keepBlank) {
    if (!keepBlank && IsBlankText(text))
        return;
    page_.AddItem(x0, y0, x1, y1, text, font);
}

const std::u16string& LayoutItems::EndPage(bool margins) {
    text_.clear();
    lineCount_ = 0;
    const std::int32_t lineCount = AssignLines(page_);
    if (lineCount == 0)
        return text_;

    PageExtent extent = MeasurePage(page_);
    const Grid grid(page_, gridItems_, gridLines_);
    const std::int64_t charWidth = SearchCharWidth(grid, extent.charWidth, extent.left);
    const std::int64_t lineHeight = RoundedQuotient(extent.bottom - extent.top, lineCount);

    PageWriter out(text_, lineCount_);
    if (margins) {
        if (lineHeight > 0)
            out.BlankLines(RoundedQuotient(extent.top, lineHeight));
        extent.left = 0;
    }
    size_t withItems = 0; // the next line with items
    for (std::int32_t line = 0; line < lineCount; ++line) {
        if (withItems == grid.LineCount() || grid.LineNumber(withItems) != line) {
            out.EndLine();
            continue;
        }
        if (grid.Fits(withItems, charWidth, extent.left)) {
            grid.WriteLine(withItems, charWidth, extent.left, out.Text());
            out.EndLine();
        } else {
            WriteLineAsTexts(page_, grid.Items(withItems), out);
        }
        ++withItems;
    }
    if (margins && lineHeight > 0)
        out.BlankLines(RoundedQuotient(pageHeight_ - extent.bottom, lineHeight));
    return text_;
}
