#include "feed_time.h"

#include <algorithm>

namespace {

void AppendDigits(std::u16string& out, int value, int low, int high, int width) {
    value = std::clamp(value, low, high);
    char16_t digits[8];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<size_t>(width));
}

} // namespace

std::u16string Rfc3339(const UtcTime& time) {
    std::u16string text;
    AppendDigits(text, time.year, 0, 9999, 4);
    text += u'-';
    AppendDigits(text, time.month, 1, 12, 2);
    text += u'-';
    AppendDigits(text, time.day, 1, 31, 2);
    text += u'T';
    AppendDigits(text, time.hour, 0, 23, 2);
    text += u':';
    AppendDigits(text, time.minute, 0, 59, 2);
    text += u':';
    // A leap second is a valid RFC 3339 time.
    AppendDigits(text, time.second, 0, 60, 2);
    text += u'Z';
    return text;
}
