#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

// Splits the glyphs of one text-output call into runs where the gap between two neighbours
// is clearly wider than the first one's advance, so that text set in columns by explicit
// positioning becomes separate items.

// The glyphs first to end - 1 and their box from x0 to x1.
struct RunPart {
    size_t first;
    size_t end;
    int32_t x0;
    int32_t x1;
};

// An advance vector's whole-pixel width: the high 32 bits of its fixed-point x component
// hold a 28.4 value.
inline int32_t WholePixelAdvance(int32_t high_part) {
    return high_part >> 4;
}

// x holds n glyph positions, advance their whole-pixel advances; left and right are the
// call's background edges; threshold is the percentage by which a gap must exceed the
// advance (SplitThreshold). The arithmetic is unsigned 32-bit: a glyph left of its
// predecessor gives a very large gap and splits. n must be at least 1.
std::vector<RunPart> SplitRuns(const int32_t* x, const int32_t* advance, size_t n, int32_t left,
                               int32_t right, uint32_t threshold);

// Positions of a fixed-pitch call: only the first is given, each next one char_inc further.
void DeriveFixedPitchPositions(uint32_t char_inc, size_t n, int32_t* x);
