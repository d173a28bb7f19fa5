#include "character_row.h"

#include <algorithm>

void CharacterRow::Clear() {
    std::fill(cells_.begin(), cells_.begin() + static_cast<std::ptrdiff_t>(used_), kEmpty);
    used_ = 0;
}

bool CharacterRow::Write(size_t column, std::u16string_view text) {
    size_t capacity = cells_.size();
    while (column + text.size() >= capacity)
        capacity *= 2;
    if (capacity != cells_.size())
        cells_.resize(capacity, kEmpty);
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t& cell = cells_[column + i];
        if (cell != kEmpty) {
            used_ = std::max(used_, column + i);
            return false;
        }
        cell = kTaken | text[i];
    }
    used_ = std::max(used_, column + text.size());
    return true;
}

void CharacterRow::AppendTo(std::u16string& text) const {
    size_t end = used_;
    while (end > 0 && cells_[end - 1] == kEmpty)
        --end;
    const size_t start = text.size();
    text.resize(start + end, u' ');
    for (size_t i = 0; i < end; ++i) {
        if (cells_[i] != kEmpty)
            text[start + i] = static_cast<char16_t>(cells_[i] & 0xFFFF);
    }
}
