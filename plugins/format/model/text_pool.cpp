#include "text_pool.h"

#include <algorithm>

std::u16string_view TextPool::Keep(std::u16string_view text) {
    if (text.empty())
        return std::u16string_view();
    while (current_ < blocks_.size() &&
           blocks_[current_].size - blocks_[current_].used < text.size())
        ++current_;
    if (current_ == blocks_.size()) {
        Block block;
        block.size = std::max(kBlockUnits, text.size());
        block.units.reset(new char16_t[block.size]); // left unset: only copies are read
        blocks_.push_back(std::move(block));
    }
    Block& block = blocks_[current_];
    char16_t* copy = block.units.get() + block.used;
    std::copy(text.begin(), text.end(), copy);
    block.used += text.size();
    return std::u16string_view(copy, text.size());
}

void TextPool::Clear() {
    size_t kept = 0;
    for (Block& block : blocks_) {
        if (block.size == kBlockUnits && kept < kKeptBlocks) {
            block.used = 0;
            if (&blocks_[kept] != &block)
                blocks_[kept] = std::move(block);
            ++kept;
        }
    }
    blocks_.resize(kept);
    current_ = 0;
}
