#include "number_format.h"

uint32_t ParsePadWidth(std::u16string_view argument) {
    uint32_t width = 0;
    for (char16_t c : argument) {
        if (c < u'0' || c > u'9')
            break;
        width = width * 10 + static_cast<uint32_t>(c - u'0');
        if (width > kMaxPadWidth)
            return kMaxPadWidth;
    }
    return width;
}

std::u16string ZeroPadded(int64_t value, uint32_t width) {
    // The magnitude as unsigned, so that the lowest value does not overflow.
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    const size_t sign = value < 0 ? 1 : 0;
    std::u16string text(sign, u'-');
    if (digits.size() + sign < width)
        text.append(width - digits.size() - sign, u'0');
    return text + digits;
}
