#include <gtest/gtest.h>

#include "blank_text.h"
#include "page_fixture.h"

namespace {

TEST(IsBlankText, CountsOnlyTheListedSpacesAsBlank) {
    struct {
        std::u16string text;
        bool blank;
    } rows[] = {
        {u"", true},
        {u"   ", true},
        {u" \r\n\t\u00A0\f", true},
        {u"\u2000\u2005\u200A\u200B", true},
        {u"\u2060\u3000", true},
        {u" a ", false},
        {u"\u200C", false}, // just past the range
        {u"\u1FFF", false},
        {u"\u2061", false},
        {u"\u000B", false}, // vertical tab is not in the list
        {std::u16string(1, u'\0'), false},
        {u"\u0085", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsBlankText(row.text), row.blank) << Shown(row.text);
}

} // namespace
