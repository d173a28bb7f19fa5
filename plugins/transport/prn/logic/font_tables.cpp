#include "font_tables.h"

namespace font_tables {

const char16_t* const kWeightNames[kWeightCount + 1] = {
    u"Dontcare", u"Thin",     u"Extralight", u"Light",     u"Normal", u"Regular",
    u"Medium",   u"Semibold", u"Bold",       u"Extrabold", u"Heavy"};

namespace {

template <size_t N> int IndexIn(const long (&table)[N], long value) {
    for (size_t i = 0; i < N; ++i) {
        if (table[i] == value)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

int WeightIndex(long weight) {
    return IndexIn(kWeights, weight);
}

int HeightIndex(long height) {
    return IndexIn(kHeights, height);
}

long ListedWeight(long weight) {
    return WeightIndex(weight) < 0 ? kNormalWeight : weight;
}

long ListedHeight(long height) {
    return HeightIndex(height) < 0 ? kHeights[0] : height;
}

} // namespace font_tables
