#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail_text.h"

namespace {

using mail_text::ReplaceLineBreaks;
using mail_text::SafeAttachmentName;
using mail_text::SplitRecipients;

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Joined(const std::vector<std::u16string>& list) {
    std::string out;
    for (const std::u16string& item : list)
        out += "[" + Narrow(item) + "]";
    return out;
}

TEST(MailRecipients, AreCutAtSemicolonsAndTrimmed) {
    struct {
        std::u16string text;
        std::string expected;
    } rows[] = {
        {u"a@x.test", "[a@x.test]"},
        {u"a@x.test;b@y.test", "[a@x.test][b@y.test]"},
        {u"a@x.test;;b@y.test;", "[a@x.test][b@y.test]"},
        {u"a@x.test; b@y.test", "[a@x.test][b@y.test]"},
        {u"  a@x.test \t;\tb@y.test  ", "[a@x.test][b@y.test]"},
        {u"a b@x.test", "[a b@x.test]"},
        {u"a@x.test,b@y.test", "[a@x.test,b@y.test]"},
        {u";", ""},
        {u" ; ;\t;", ""},
        {u"", ""},
        {u"\r\n", ""},
        // A line break inside an address can add header lines: it becomes a space.
        {u"a@x.test\r\nBcc: c@z.test", "[a@x.test  Bcc: c@z.test]"},
        {u"a@x.test\r\n;\nb@y.test", "[a@x.test][b@y.test]"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Joined(SplitRecipients(row.text)), row.expected) << Narrow(row.text);
}

TEST(MailSubject, KeepsOneLine) {
    EXPECT_EQ(ReplaceLineBreaks(u"Hello\r\nBcc: c@z.test\n\r"), u"Hello  Bcc: c@z.test  ");
    EXPECT_EQ(ReplaceLineBreaks(u"plain \t text"), u"plain \t text");
    EXPECT_EQ(ReplaceLineBreaks(u""), u"");
}

TEST(MailAttachmentName, StaysOneFileInItsFolder) {
    struct {
        std::u16string name;
        std::u16string expected;
    } rows[] = {
        {u"report.txt", u"report.txt"},
        {u"..\\..\\Windows\\win.ini", u".._.._Windows_win.ini"},
        {u"../../etc/passwd", u".._.._etc_passwd"},
        {u"C:\\boot.ini", u"C__boot.ini"},
        {u"a.txt:stream", u"a.txt_stream"},
        {u"\\\\server\\share\\x.txt", u"__server_share_x.txt"},
        {u"what?*<>|\".txt", u"what______.txt"},
        {u"line\r\nbreak\t.txt", u"line__break_.txt"},
        {u"..", u"attachment"},
        {u".", u"attachment"},
        {u" . . ", u"attachment"},
        {u"", u"attachment"},
        {u"name. . ", u"name"},
        {u".txt", u".txt"},
        {u"con", u"_con"},
        {u"CON.txt", u"_CON.txt"},
        {u"nul .txt", u"_nul .txt"},
        {u"Lpt9.log", u"_Lpt9.log"},
        {u"com0.txt", u"com0.txt"},
        {u"conference.txt", u"conference.txt"},
        {u"Gr\u00f6\u00dfe \u65e5\u672c.txt", u"Gr\u00f6\u00dfe \u65e5\u672c.txt"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SafeAttachmentName(row.name, 200), row.expected) << Narrow(row.name);
}

TEST(MailAttachmentName, ATooLongNameIsCutBeforeItsExtension) {
    const std::u16string stem(300, u'a');
    EXPECT_EQ(SafeAttachmentName(stem + u".txt", 20), std::u16string(16, u'a') + u".txt");
    EXPECT_EQ(SafeAttachmentName(stem, 20), std::u16string(20, u'a'));
    // An extension too long to keep is cut like the rest.
    EXPECT_EQ(SafeAttachmentName(u"a." + stem, 10), u"a." + std::u16string(8, u'a'));
    // No surrogate pair is split, no trailing dot or space is left, no device name is made.
    EXPECT_EQ(SafeAttachmentName(u"abc\U0001F600\U0001F600.txt", 8), u"abc.txt");
    EXPECT_EQ(SafeAttachmentName(u"ab .  cdefgh.txt", 8), u"ab.txt");
    EXPECT_EQ(SafeAttachmentName(u"conference.txt", 7), u"_on.txt");
    EXPECT_EQ(SafeAttachmentName(u"report", 0), u"");
}

} // namespace
