// Arbitrary pages for the page model and the text-with-layout layout: any number of items,
// coordinates anywhere in 32 bits (the extremes often), empty, blank and huge texts, both
// parameters and a separator. Besides the sanitizers, it checks that no text is lost or made
// up, in the layout and in the model's plain lines.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "blank_text.h"
#include "layout_items.h"
#include "page_lines.h"

// The checks are not what is fuzzed: their branches would only distract the search.
#define QLX_CHECKER __attribute__((no_sanitize("coverage")))

namespace {

constexpr size_t kMaxItems = 4000;
constexpr size_t kHugeText = 70000;

std::int32_t Coordinate(FuzzedDataProvider& input) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    // Mostly on a page, where lines form and items collide; an item far off makes a line as
    // wide as the row, so those come less often.
    switch (input.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return kMin;
    case 1:
        return kMax;
    case 2:
        return kMax - input.ConsumeIntegralInRange(0, 100);
    case 3:
        return input.ConsumeIntegral<std::int32_t>();
    default:
        return input.ConsumeIntegralInRange(-100, 7000);
    }
}

char16_t Unit(FuzzedDataProvider& input) {
    static const char16_t kUnits[] = {u'a',      u'b',      u' ',  u'\t',     u'\r',     u'\u00A0',
                                      u'\u2000', u'\u3000', u'\0', u'\xD800', u'\xDC00', u'\xFFFF'};
    if (input.ConsumeBool())
        return kUnits[input.ConsumeIntegralInRange<size_t>(0, std::size(kUnits) - 1)];
    return input.ConsumeIntegral<char16_t>();
}

// hugeLeft: how many huge texts the page may still have; two are enough, and more would make
// every input slow to lay out and check.
std::u16string Text(FuzzedDataProvider& input, int& hugeLeft) {
    switch (input.ConsumeIntegralInRange(0, 63)) {
    case 0:
    case 1:
    case 2:
    case 3:
        return std::u16string();
    case 4:
        if (hugeLeft == 0)
            return u"h";
        --hugeLeft;
        return std::u16string(input.ConsumeIntegralInRange<size_t>(1, kHugeText), Unit(input));
    default: {
        std::u16string text(input.ConsumeIntegralInRange<size_t>(1, 12), u'x');
        for (char16_t& unit : text)
            unit = Unit(input);
        return text;
    }
    }
}

struct FuzzItem {
    std::int32_t x0, y0, x1, y1;
    std::u16string text;
};

// Knuth-Morris-Pratt: linear even for a huge text of one repeated unit, unlike the usual
// searches.
QLX_CHECKER bool Contains(const std::u16string& haystack, const std::u16string& needle) {
    if (needle.empty())
        return true;
    std::vector<size_t> border(needle.size(), 0);
    for (size_t i = 1, k = 0; i < needle.size(); ++i) {
        while (k > 0 && needle[i] != needle[k])
            k = border[k - 1];
        if (needle[i] == needle[k])
            ++k;
        border[i] = k;
    }
    for (size_t i = 0, k = 0; i < haystack.size(); ++i) {
        while (k > 0 && haystack[i] != needle[k])
            k = border[k - 1];
        if (haystack[i] == needle[k])
            ++k;
        if (k == needle.size())
            return true;
    }
    return false;
}

// Every kept item's text is in the page's text, and nothing else but spaces and line ends:
// each other code unit occurs as often in the page as in the kept items. Two items are also
// looked for whole (a search per item would make large pages slow to check).
class UnitBalance {
public:
    void Add(std::u16string_view text) {
        for (char16_t unit : text) {
            if (count_[unit]++ == 0)
                seen_.push_back(unit);
        }
    }
    // False when the page lacks a unit of the items, or has one they lack (but for spaces and
    // line ends, which the layout adds).
    bool Matches(std::u16string_view page) {
        for (char16_t unit : page) {
            if (count_[unit]-- == 0)
                seen_.push_back(unit);
        }
        bool matches = true;
        for (char16_t unit : seen_) {
            const bool added = unit == u' ' || unit == u'\r' || unit == u'\n';
            if (added ? count_[unit] > 0 : count_[unit] != 0)
                matches = false;
            count_[unit] = 0;
        }
        seen_.clear();
        return matches;
    }

private:
    std::vector<std::int64_t> count_ = std::vector<std::int64_t>(0x10000, 0);
    std::vector<char16_t> seen_;
};

QLX_CHECKER void CheckEveryTextKept(const std::vector<FuzzItem>& items, const std::u16string& page,
                                    bool keepBlank) {
    static UnitBalance balance;
    size_t searched = 0;
    for (const FuzzItem& item : items) {
        if (!keepBlank && IsBlankText(item.text))
            continue;
        balance.Add(item.text);
        if (item.text.size() <= 64 && searched < 2) {
            ++searched;
            if (!Contains(page, item.text))
                std::abort();
        }
    }
    if (!balance.Matches(page))
        std::abort();
}

void CheckLayout(const std::vector<FuzzItem>& items, std::int32_t height, bool margins,
                 bool keepBlank) {
    LayoutItems layout;
    layout.StartPage(height);
    for (const FuzzItem& item : items)
        layout.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, u"Font", keepBlank);
    const std::u16string page = layout.EndPage(margins);
    if (!page.empty() && page.compare(page.size() - 2, 2, u"\r\n") != 0)
        std::abort();
    const auto lines = static_cast<std::int64_t>(layout.LineCount());
    if (lines > static_cast<std::int64_t>(items.size()) + kMaxBlankLinesPerPage + 2 * kMaxGapLines)
        std::abort();
    CheckEveryTextKept(items, page, keepBlank);
    // The object serves the next page as it served the first.
    layout.StartPage(height);
    if (!layout.EndPage(margins).empty())
        std::abort();
}

void CheckModel(const std::vector<FuzzItem>& items, const std::u16string& separator,
                std::int32_t probe) {
    PageItems page;
    page.SetSeparator(separator);
    for (const FuzzItem& item : items)
        page.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, u"");
    BuildLines(page);
    for (size_t i = 0; i < page.ItemCount(); ++i) {
        const PositionedItem& item = page.Item(i);
        if (item.x1 < item.x0 || item.y1 < item.y0 || item.line < 0)
            std::abort();
        if (i > 0 && (page.Item(i - 1).y1 > item.y1 || page.Item(i - 1).line > item.line))
            std::abort();
    }
    const std::u16string text = JoinLines(page);
    CheckEveryTextKept(items, text, true);

    if (page.ItemCount() == 0)
        return;
    const std::int32_t line = page.Item(static_cast<size_t>(probe) % page.ItemCount()).line;
    std::vector<const PositionedItem*> list;
    GatherLine(page, line, list);
    if (list.empty())
        std::abort();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->line != line || (i > 0 && list[i - 1]->x0 > list[i]->x0))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool margins = input.ConsumeBool();
    const bool keepBlank = input.ConsumeBool();
    const std::u16string separator = input.ConsumeBool() ? u" " : u"";
    const std::int32_t height = Coordinate(input);
    const std::int32_t probe = input.ConsumeIntegral<std::int32_t>() & 0x7FFFFFFF;
    std::vector<FuzzItem> items;
    int hugeLeft = 2;
    while (input.remaining_bytes() > 0 && items.size() < kMaxItems) {
        FuzzItem item;
        item.x0 = Coordinate(input);
        item.y0 = Coordinate(input);
        item.x1 = Coordinate(input);
        item.y1 = Coordinate(input);
        item.text = Text(input, hugeLeft);
        items.push_back(std::move(item));
    }
    CheckLayout(items, height, margins, keepBlank);
    CheckModel(items, separator, probe);
    return 0;
}
