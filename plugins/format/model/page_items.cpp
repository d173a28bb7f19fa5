#include "page_items.h"

#include <utility>

namespace {
constexpr size_t kInitialItems = 16;
constexpr size_t kInitialLines = 16;
constexpr size_t kInitialSeparator = 32;
} // namespace

PageItems::PageItems() {
    items_.reserve(kInitialItems);
    order_.reserve(kInitialItems);
    lines_.reserve(kInitialLines);
    separator_.reserve(kInitialSeparator);
}

void PageItems::AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                        std::u16string_view text, std::u16string_view font) {
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    PositionedItem item;
    item.x0 = x0;
    item.y0 = y0;
    item.x1 = x1;
    item.y1 = y1;
    item.text = texts_.Keep(text);
    if (font != lastFont_)
        lastFont_ = texts_.Keep(font);
    item.font = lastFont_;
    items_.push_back(item);
    try {
        order_.push_back(static_cast<std::uint32_t>(items_.size() - 1));
    } catch (...) {
        items_.pop_back(); // nothing is left half added
        throw;
    }
}

void PageItems::Clear() {
    items_.clear();
    order_.clear();
    texts_.Clear();
    lastFont_ = std::u16string_view();
    lines_.clear();
    assigned_ = 0;
}
