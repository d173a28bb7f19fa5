#include <gtest/gtest.h>

#include <string>

#include "file_name_safety.h"

namespace {

using testing::PrintToString;

TEST(SanitizeFileName, ReplacesTheCharactersAFileNameCannotHold) {
    std::u16string text = u"a\"b*c/d:e<f>g?h\\i|j. k";
    SanitizeFileName(text);
    EXPECT_EQ(text, u"a_b_c_d_e_f_g_h_i_j. k");
}

TEST(SafeFileNameComponent, NeverLeavesTheFolder) {
    const std::u16string smile = u"\U0001F600"; // a surrogate pair
    struct {
        std::u16string name;
        std::u16string expected;
    } rows[] = {
        {u"", u""},
        {u"report", u"report"},
        {u".profile", u".profile"},
        {u"Q3 report.final", u"Q3 report.final"},
        {u"..\\..\\x", u"______x"},
        {u"../../etc/passwd", u"______etc_passwd"},
        {u"..", u"__"},
        {u"...", u"___"},
        {u".", u"_"},
        {u"Report... final", u"Report___ final"},
        {u"name.", u"name_"},
        {u"name. .", u"name___"},
        {u"name  ", u"name__"},
        {u"  lead", u"  lead"},
        {u"a/b", u"a_b"},
        {u"C:\\x", u"C__x"},
        {u"\\\\server\\share", u"__server_share"},
        {u"a\tb\x01\x1f", u"a_b__"},
        {u"x\x7fy", u"x\x7fy"},
        {u"{{DATE}}", u"{{DATE}}"},
        {u"CON", u"_CON"},
        {u"con", u"_con"},
        {u"Con.txt", u"_Con.txt"},
        {u"NUL.tar.gz", u"_NUL.tar.gz"},
        {u"PRN", u"_PRN"},
        {u"aux", u"_aux"},
        {u"COM1", u"_COM1"},
        {u"com9", u"_com9"},
        {u"COM0", u"_COM0"},
        {u"LPT1", u"_LPT1"},
        {u"LPT\u00B9", u"_LPT\u00B9"},
        {u"CON .txt", u"_CON .txt"},
        {u"NUL ", u"_NUL_"},
        {u"CON:", u"CON_"}, // no longer the device
        {u"CONIN$", u"_CONIN$"},
        {u"conout$.log", u"_conout$.log"},
        {u"CONSOLE", u"CONSOLE"},
        {u"COM10", u"COM10"},
        {u"LPT", u"LPT"},
        {u"ACON", u"ACON"},
        {std::u16string(300, u'x'), std::u16string(200, u'x')},
        {std::u16string(199, u'x') + smile, std::u16string(199, u'x')},
        {std::u16string(198, u'x') + smile, std::u16string(198, u'x') + smile},
        {std::u16string(199, u'x') + u"..", std::u16string(199, u'x') + u"_"},
        {u"CON" + std::u16string(300, u' '), u"_CON" + std::u16string(196, u'_')},
    };
    for (const auto& row : rows) {
        const std::u16string safe = SafeFileNameComponent(row.name);
        EXPECT_EQ(safe, row.expected) << "name " << PrintToString(row.name);
        EXPECT_LE(safe.size(), kMaxFileNameComponent);
        EXPECT_EQ(safe.find(u".."), std::u16string::npos);
    }
}

} // namespace
