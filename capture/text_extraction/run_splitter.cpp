#include "run_splitter.h"

namespace {

// Sums in the 32-bit wrap-around of the device coordinates.
int32_t WrapAdd(int32_t a, uint32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + b);
}

bool GapSplits(uint32_t gap, uint32_t advance, uint32_t threshold) {
    if (advance == 0 || gap <= advance)
        return false;
    const uint32_t excess = (gap - advance) * 100u;
    return excess / advance > threshold;
}

} // namespace

std::vector<RunPart> SplitRuns(const int32_t* x, const int32_t* advance, size_t n, int32_t left,
                               int32_t right, uint32_t threshold) {
    std::vector<RunPart> parts;
    size_t start = 0;
    int32_t run_x = left;
    for (size_t i = 1; i < n; ++i) {
        const uint32_t a = static_cast<uint32_t>(advance[i - 1]);
        const uint32_t gap = static_cast<uint32_t>(x[i]) - static_cast<uint32_t>(x[i - 1]);
        if (!GapSplits(gap, a, threshold))
            continue;
        parts.push_back({start, i, run_x, WrapAdd(x[i - 1], a)});
        start = i;
        run_x = x[i];
    }
    const uint32_t last_advance = static_cast<uint32_t>(advance[n - 1]);
    const uint32_t room = static_cast<uint32_t>(right) - static_cast<uint32_t>(x[n - 1]);
    const int32_t end_x = last_advance < room ? WrapAdd(x[n - 1], last_advance) : right;
    parts.push_back({start, n, run_x, end_x});
    return parts;
}

void DeriveFixedPitchPositions(uint32_t char_inc, size_t n, int32_t* x) {
    for (size_t i = 1; i < n; ++i)
        x[i] = WrapAdd(x[i - 1], char_inc);
}
