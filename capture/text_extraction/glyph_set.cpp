#include "glyph_set.h"

#include <algorithm>

std::vector<char16_t> ListSupportedCharacters(const GlyphRun* runs, size_t run_count,
                                              uint32_t declared) {
    const size_t limit = std::min<size_t>(declared, kMaxListedCharacters);
    std::vector<char16_t> chars;
    chars.reserve(limit);
    for (size_t r = 0; r < run_count && chars.size() < limit; ++r) {
        const uint32_t first = runs[r].first;
        const uint32_t end = std::min<uint32_t>(first + runs[r].count, 0x10000);
        for (uint32_t c = first; c < end && chars.size() < limit; ++c)
            chars.push_back(static_cast<char16_t>(c));
    }
    return chars;
}

size_t BoundedRunCount(uint32_t size, uint32_t claimed, size_t header, size_t run_size) {
    if (size < header || run_size == 0)
        return 0;
    return std::min<size_t>(claimed, (size - header) / run_size);
}
