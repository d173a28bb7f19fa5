#pragma once
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// Copies of the texts of one page, packed into large blocks: one allocation for many short
// runs instead of one each, and the runs of a page close together in memory. A copy stays where
// it is until Clear. The blocks serve the next page, up to a bound; a block made for one huge
// text goes with its page.
class TextPool {
public:
    TextPool() = default;
    TextPool(const TextPool&) = delete;
    TextPool& operator=(const TextPool&) = delete;

    // A copy of text held by the pool. Throws std::bad_alloc.
    std::u16string_view Keep(std::u16string_view text);
    // Forgets every copy.
    void Clear();

private:
    static constexpr size_t kBlockUnits = 32768;
    static constexpr size_t kKeptBlocks = 8;

    struct Block {
        std::unique_ptr<char16_t[]> units;
        size_t size = 0;
        size_t used = 0;
    };
    std::vector<Block> blocks_;
    size_t current_ = 0; // the block being filled; blocks before it are full
};
