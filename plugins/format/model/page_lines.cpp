#include "page_lines.h"

#include <algorithm>

#include "round_half_down.h"
#include "selection_order.h"

namespace {

// The line-spacing factor: a line's pitch is its items' height times this.
constexpr double kPitchFactor = 1.065;
// A gap's rest above this share of a pitch counts as one more line.
constexpr std::int64_t kRestPercentForLine = 70;
// An item overlapping the current line by at least this share of its height joins it.
constexpr std::int64_t kOverlapPercentToJoin = 60;

// Counts the blank lines that gaps may still add to a page.
class BlankLineBudget {
public:
    std::int64_t Take(std::int64_t wanted) {
        const std::int64_t given = std::min({wanted, kMaxGapLines, left_});
        left_ -= given;
        return given;
    }

private:
    std::int64_t left_ = kMaxBlankLinesPerPage;
};

// How far the line number moves from the current line to an item. All 64-bit: a difference of
// two 32-bit coordinates needs 33 bits, and a product of it more.
std::int64_t LineStep(std::int64_t y0, std::int64_t y1, std::int64_t reference,
                      BlankLineBudget& blanks) {
    const std::int64_t height = y1 - y0;
    const std::int64_t d1 = y0 - reference;
    const std::int64_t d2 = y1 - reference; // never negative: the items are sorted by y1
    if (height <= 0)
        return d2 == 0 ? 0 : 1;
    if (d1 < 0) {
        const std::int64_t overlap = -d1 * 100 / height;
        return overlap < kOverlapPercentToJoin ? 1 : 0;
    }
    const std::int64_t pitch = RoundHalfDown(static_cast<double>(height) * kPitchFactor);
    const std::int64_t whole = d2 / pitch;
    if (whole == 0)
        return 1;
    const bool restIsALine = (d2 % pitch) * 100 / pitch > kRestPercentForLine;
    const std::int64_t lines = whole + (restIsALine ? 1 : 0);
    return 1 + blanks.Take(lines - 1);
}

} // namespace

std::int32_t AssignLines(PageItems& page) {
    auto& items = page.items_;
    auto& order = page.order_;
    page.assigned_ = order.size();
    if (order.empty())
        return 0;
    SelectionSortOrder(order, [&](std::uint32_t place) { return items[place].y1; });

    BlankLineBudget blanks;
    std::int64_t line = 0;
    std::int64_t reference = items[order[0]].y1;
    items[order[0]].line = 0;
    for (size_t i = 1; i < order.size(); ++i) {
        PositionedItem& item = items[order[i]];
        line += LineStep(item.y0, item.y1, reference, blanks);
        if (item.y1 > reference)
            reference = item.y1;
        // At most one line per item plus the blank-line budget: this fits 32 bits for any
        // page that fits in memory.
        item.line = static_cast<std::int32_t>(line);
    }
    return static_cast<std::int32_t>(line + 1);
}

LineItemRange LineItems(const PageItems& page, std::int32_t line) {
    // Line numbers never decrease along the numbered items, so both ends are found by halving.
    size_t low = 0;
    size_t high = page.AssignedCount();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (page.Item(middle).line < line)
            low = middle + 1;
        else
            high = middle;
    }
    LineItemRange range{low, low};
    high = page.AssignedCount();
    while (range.end < high) {
        const size_t middle = range.end + (high - range.end) / 2;
        if (page.Item(middle).line <= line)
            range.end = middle + 1;
        else
            high = middle;
    }
    return range;
}

void GatherLine(const PageItems& page, std::int32_t line,
                std::vector<const PositionedItem*>& list) {
    const LineItemRange range = LineItems(page, line);
    for (size_t i = range.first; i < range.end; ++i)
        list.push_back(&page.Item(i));
    SelectionSortOrder(list, [](const PositionedItem* item) { return item->x0; });
}

void BuildLines(PageItems& page) {
    const std::int32_t count = AssignLines(page);
    page.ClearLines();
    std::vector<const PositionedItem*> list;
    for (std::int32_t line = 0; line < count; ++line) {
        list.clear();
        GatherLine(page, line, list);
        std::u16string text;
        for (const PositionedItem* item : list) {
            text += item->text;
            text += page.Separator();
        }
        page.AppendLine(std::move(text));
    }
}

std::u16string JoinLines(const PageItems& page) {
    size_t length = 0;
    for (const std::u16string& line : page.Lines())
        length += line.size() + 2;
    std::u16string text;
    text.reserve(length);
    for (const std::u16string& line : page.Lines()) {
        text += line;
        text += u"\r\n";
    }
    return text;
}
