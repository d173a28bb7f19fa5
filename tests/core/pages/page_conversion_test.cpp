#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_conversion.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing::PrintToString;

// Stands in for the system's conversion: code page 1252 for Latin-1 text, 65001 as UTF-8 for
// the basic plane; any other code page fails.
bool FakeEncode(uint32_t code_page, std::u16string_view text, Bytes& bytes) {
    bytes.clear();
    for (char16_t c : text) {
        if (code_page == 1252 && c < 0x100) {
            bytes.push_back(static_cast<uint8_t>(c));
        } else if (code_page == 65001 && c < 0x80) {
            bytes.push_back(static_cast<uint8_t>(c));
        } else if (code_page == 65001 && c < 0x800) {
            bytes.push_back(static_cast<uint8_t>(0xC0 | c >> 6));
            bytes.push_back(static_cast<uint8_t>(0x80 | (c & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

TEST(ConvertPage, GivesTheExactBytes) {
    struct {
        std::u16string text;
        int32_t unix_eol;
        int32_t charset;
        int32_t page_break;
        Bytes bytes;
    } rows[] = {
        {u"a\r\nb", 1, 5, 1, {0x61, 0x00, 0x0A, 0x00, 0x62, 0x00, 0x0C, 0x00}},
        {u"a\r\nb", 0, 1252, 0, {0x61, 0x0D, 0x0A, 0x62}},
        {u"a\r\nb", 0, 5, 0, {0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x62, 0x00}},
        {u"a\r\nb", 1, 1252, 1, {0x61, 0x0A, 0x62, 0x0C}},
        {u"a\r\nb", 0, 1252, 1, {0x61, 0x0D, 0x0A, 0x62, 0x0C}},
        {u"\r\r\n\r", 1, 1252, 0, {0x0A}},
        {u"\r", 1, 5, 0, {}},
        {u"", 0, 5, 0, {}},
        {u"", 0, 5, 1, {0x0C, 0x00}},
        {u"", 1, 1252, 0, {}},
        {u"", 0, 1252, 1, {0x0C}},
        {u"\u00e9\u20ac", 0, 5, 0, {0xE9, 0x00, 0xAC, 0x20}},
        {u"\U0001F600", 0, 5, 0, {0x3D, 0xD8, 0x00, 0xDE}},
        {u"\u00e9", 0, 1252, 0, {0xE9}},
        {u"\u00e9\r\n", 1, 65001, 1, {0xC3, 0xA9, 0x0A, 0x0C}},
        {std::u16string(u"a\0b", 3), 0, 1252, 0, {0x61, 0x00, 0x62}},
    };
    for (const auto& row : rows) {
        Bytes bytes = {0xEE}; // replaced, never appended to
        const PageConversion settings{row.unix_eol, row.charset, row.page_break};
        ASSERT_TRUE(ConvertPage(row.text, settings, FakeEncode, bytes))
            << PrintToString(row.text) << " charset " << row.charset;
        EXPECT_EQ(bytes, row.bytes) << PrintToString(row.text) << " eol " << row.unix_eol
                                    << " charset " << row.charset << " break " << row.page_break;
    }
}

TEST(ConvertPage, ReportsAFailedConversion) {
    for (int32_t charset : {0, 12345, -1, 1252}) {
        for (int32_t page_break : {0, 1}) {
            Bytes bytes = {0xEE};
            const PageConversion settings{0, charset, page_break};
            // 1252 cannot hold the euro sign in the stand-in.
            EXPECT_FALSE(ConvertPage(u"a\u20ac", settings, FakeEncode, bytes)) << charset;
            EXPECT_TRUE(bytes.empty()) << charset;
        }
    }
}

} // namespace
