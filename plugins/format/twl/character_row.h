#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One row of character cells of the text-with-layout grid. It starts with kInitialCells cells
// and doubles whenever a text would reach its end, keeping the larger size for later pages.
class CharacterRow {
public:
    static constexpr size_t kInitialCells = 16384;

    CharacterRow() : cells_(kInitialCells, kEmpty) {}

    // Empties the cells written since the last clear (the rest are empty already).
    void Clear();
    // Writes text into the cells from column on. False at the first cell that is already
    // written; the cells written before it stay until the next clear. Throws std::bad_alloc.
    bool Write(size_t column, std::u16string_view text);
    // Appends the row up to its last written cell, with every empty cell before it a space.
    void AppendTo(std::u16string& text) const;

    size_t Capacity() const { return cells_.size(); }

private:
    // A cell holds kTaken | the code unit, so that a text's own U+0000 takes a cell too.
    static constexpr std::uint32_t kEmpty = 0;
    static constexpr std::uint32_t kTaken = 0x10000;

    std::vector<std::uint32_t> cells_;
    size_t used_ = 0; // every cell from here on is empty
};
