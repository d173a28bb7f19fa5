#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The widest padding a width argument gives; larger widths are taken as this one.
constexpr uint32_t kMaxPadWidth = 254;

// A width argument: its leading decimal digits (none gives 0), at most kMaxPadWidth.
uint32_t ParsePadWidth(std::u16string_view argument);

// value in decimal, as "%0*d" writes it: a minus sign for a negative value, then zeros
// until the text is width characters long.
std::u16string ZeroPadded(int64_t value, uint32_t width);
