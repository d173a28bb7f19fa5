#pragma once
#include <cstddef>

// The fixed choices of the printer transport's font: weights and heights as the settings page
// lists them, and the values an unlisted one is corrected to.
namespace font_tables {

constexpr size_t kWeightCount = 10;
constexpr long kWeights[kWeightCount] = {0, 100, 200, 300, 400, 500, 600, 700, 800, 900};
// The weight list's names, entry i standing for kWeights[i]; the eleventh is never shown.
extern const char16_t* const kWeightNames[kWeightCount + 1];
constexpr long kNormalWeight = 400;

constexpr size_t kHeightCount = 19;
constexpr long kHeights[kHeightCount] = {2,  4,  6,  8,  9,  10, 11, 12, 14, 16,
                                         18, 20, 22, 24, 26, 28, 36, 48, 72};

// The entry of a listed value; -1 for a value the list does not have.
int WeightIndex(long weight);
int HeightIndex(long height);
// A listed value as it is; an unlisted weight becomes the normal one, an unlisted height the
// smallest.
long ListedWeight(long weight);
long ListedHeight(long height);

} // namespace font_tables
