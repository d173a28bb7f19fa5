#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "argv_reader.h"
#include "command_line.h"

namespace {

using command_line::QuoteArgument;
using command_line::WithFileArgument;

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (char16_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

TEST(QuoteArgument, EveryArgumentIsQuotedAndReadsBackAsItself) {
    struct {
        std::u16string argument;
        std::u16string quoted;
    } rows[] = {
        {u"C:\\out\\a.txt", u"\"C:\\out\\a.txt\""},
        {u"C:\\My Docs\\a.txt", u"\"C:\\My Docs\\a.txt\""},
        {u"C:\\out\\a & b.txt", u"\"C:\\out\\a & b.txt\""},
        {u"C:\\out\\a&calc.txt", u"\"C:\\out\\a&calc.txt\""},
        {u"C:\\100% %PATH%.txt", u"\"C:\\100% %PATH%.txt\""},
        {u"a\"b", u"\"a\\\"b\""},
        {u"a\\\"b", u"\"a\\\\\\\"b\""},
        {u"C:\\out\\", u"\"C:\\out\\\\\""},
        {u"a\\\\", u"\"a\\\\\\\\\""},
        {u"\" & calc & \"", u"\"\\\" & calc & \\\"\""},
        {u"tab\there", u"\"tab\there\""},
        {u"", u"\"\""},
    };
    for (const auto& row : rows) {
        const std::u16string quoted = QuoteArgument(row.argument);
        EXPECT_EQ(quoted, row.quoted) << Narrow(row.argument);
        EXPECT_EQ(ReadArguments(quoted), std::vector<std::u16string>{row.argument})
            << Narrow(row.argument);
    }
}

TEST(WithFileArgument, TheFileFollowsTheParametersAsItsOwnArgument) {
    const std::u16string file = u"C:\\My Docs\\a&b %x%.txt";
    struct {
        std::u16string parameters;
        std::u16string line;
        std::vector<std::u16string> read;
    } rows[] = {
        {u"", u"\"C:\\My Docs\\a&b %x%.txt\"", {file}},
        {u"-x", u"-x \"C:\\My Docs\\a&b %x%.txt\"", {u"-x", file}},
        {u"-t \"a title\"",
         u"-t \"a title\" \"C:\\My Docs\\a&b %x%.txt\"",
         {u"-t", u"a title", file}},
        {u"-q \\\"", u"-q \\\" \"C:\\My Docs\\a&b %x%.txt\"", {u"-q", u"\"", file}},
        {u"-e \"\"", u"-e \"\" \"C:\\My Docs\\a&b %x%.txt\"", {u"-e", u"", file}},
    };
    for (const auto& row : rows) {
        const auto line = WithFileArgument(row.parameters, file);
        ASSERT_TRUE(line) << Narrow(row.parameters);
        EXPECT_EQ(*line, row.line) << Narrow(row.parameters);
        EXPECT_EQ(ReadArguments(*line), row.read) << Narrow(row.parameters);
    }
}

TEST(WithFileArgument, ParametersThatWouldSwallowTheFileAreRefused) {
    for (const std::u16string parameters :
         {u"-t \"open", u"\"", u"-t \\\\\"", u"-t \"a\"\"b\"", u"-t \"a \\\" b"}) {
        EXPECT_FALSE(WithFileArgument(parameters, u"C:\\out\\a.txt")) << Narrow(parameters);
        EXPECT_FALSE(command_line::EndsOutsideQuotes(parameters)) << Narrow(parameters);
    }
}

} // namespace
