#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

// The characters a font supports, as the engine lists them: runs of consecutive characters.
struct GlyphRun {
    char16_t first;
    uint16_t count;
};

// At most this many characters are listed for one font: every 16-bit character once.
constexpr size_t kMaxListedCharacters = 65536;

// The characters of the runs in order, at most declared of them (the font's own count of
// supported characters) and never more than kMaxListedCharacters; a run that would go past
// U+FFFF ends there.
std::vector<char16_t> ListSupportedCharacters(const GlyphRun* runs, size_t run_count,
                                              uint32_t declared);

// How many run records really fit a glyph set that says it is size bytes long, with its runs
// starting header bytes in and run_size bytes each: the smaller of that and claimed. A size
// that cannot hold its own header gives none.
size_t BoundedRunCount(uint32_t size, uint32_t claimed, size_t header, size_t run_size);
