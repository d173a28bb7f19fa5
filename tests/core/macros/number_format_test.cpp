#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "number_format.h"

namespace {

using testing::PrintToString;

TEST(ParsePadWidth, ReadsTheLeadingDigits) {
    struct {
        std::u16string argument;
        uint32_t width;
    } rows[] = {
        {u"", 0},
        {u"3", 3},
        {u"03", 3},
        {u"3x", 3},
        {u"x3", 0},
        {u"-3", 0},
        {u" 3", 0},
        {u"254", 254},
        {u"255", 254},
        {u"1000", 254},
        {u"99999999999999999999", 254},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParsePadWidth(row.argument), row.width) << PrintToString(row.argument);
}

TEST(ZeroPadded, WritesAsPercentZeroStarD) {
    struct {
        int64_t value;
        uint32_t width;
        std::u16string text;
    } rows[] = {
        {7, 3, u"007"},
        {7, 0, u"7"},
        {0, 0, u"0"},
        {0, 2, u"00"},
        {12345, 3, u"12345"},
        {-7, 3, u"-07"},
        {-7, 1, u"-7"},
        {std::numeric_limits<int64_t>::min(), 0, u"-9223372036854775808"},
        {5, 254, std::u16string(253, u'0') + u"5"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ZeroPadded(row.value, row.width), row.text) << row.value << " " << row.width;
}

} // namespace
