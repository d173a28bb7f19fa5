#include <gtest/gtest.h>

#include <string>

#include "fake_resolver.h"
#include "macro_expander.h"

namespace {

using testing::PrintToString;

struct Row {
    std::u16string input;
    int32_t page;
    bool file_name_times;
    std::u16string expected;
    int32_t page_macros;
};

void ExpectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        FakeResolver resolver;
        const ExpandedText out = ExpandMacros(row.input, row.page, row.file_name_times, resolver);
        EXPECT_EQ(out.text, row.expected) << "input " << PrintToString(row.input) << " page "
                                          << row.page << " flag " << row.file_name_times;
        EXPECT_EQ(out.page_macros, row.page_macros) << "input " << PrintToString(row.input);
    }
}

TEST(ExpandMacros, ReplacesTheVocabulary) {
    ExpectRows({
        {u"", 1, false, u"", 0},
        {u"plain text", 1, false, u"plain text", 0},
        {u"{{DOCNAME}}.{{EXT}}", 1, false, u"report.txt", 0},
        {u"{{TERMINAL}}/{{USER}}@{{MACHINE}}", 1, false, u"CLIENT7/alice@HOST", 0},
        {u"{{DOCNAME}}-{{DOCNAME}}", 1, false, u"report-report", 0},
        {u"{{SYSFOLDER(WINDOWS)}}\\{{DOCNAME}}", 1, false, u"C:\\windows\\report", 0},
        {u"{{SYSFOLDER(PERSONAL)}}|{{SYSFOLDER(WINDOWS)}}", 1, false,
         u"C:\\users\\alice\\Documents|C:\\windows", 0},
        {u"[{{SYSFOLDER(FONTS)}}]", 1, false, u"[]", 0},   // in the table, no path
        {u"[{{SYSFOLDER(windows)}}]", 1, false, u"[]", 0}, // names are upper case
        {u"[{{SYSFOLDER(NOWHERE)}}]", 1, false, u"[]", 0},
        {u"p{{PAGE}}", 7, false, u"p7", 1},
        {u"p{{PAGE}}", 0, false, u"p", 1},
        {u"p{{PAGE}}", -5, false, u"p", 1},
        {u"{{PAGE(2)}}", 0, false, u"00", 1},
        {u"{{PAGE(3)}}_{{PAGE(3)}}", 12, false, u"012_012", 2},
        {u"{{PAGE(3)}}{{PAGE}}", 7, false, u"0077", 2},
        {u"{{PAGE(0)}}|{{PAGE(x)}}|{{PAGE()}}|{{PAGE(-3)}}", 12, false, u"12|12|12|12", 4},
        {u"{{PAGE(03x)}}", 7, false, u"007", 1},
        {u"{{PAGE(3)}}", -5, false, u"-05", 1},
        {u"{{PAGE(1)}}", 12345, false, u"12345", 1},
        {u"{{JOB}}.{{JOB(5)}}", 1, false, u"42.00042", 0},
        {u"{{DATE}} {{TIME}}", 1, false, u"09.03.2024 13:45:07", 0},
        {u"{{DATE(dd/MM/yyyy)}}", 1, false, u"09/03/2024", 0},
        {u"{{DATE(dd/MM/yyyy)}}", 1, true, u"09_03_2024", 0},
        {u"{{TIME}}", 1, true, u"13_45_07", 0},
        {u"{{TIME(HH:mm)}}", 1, true, u"13_45", 0},
        {u"[{{DATE()}}]", 1, false, u"[]", 0},
        {u"{{{PAGE}}}", 3, false, u"{3}", 1},
        {u"{{PAGE}}}}", 3, false, u"3}}", 1},
    });
}

TEST(ExpandMacros, LeavesUnknownAndBadlyFormedMacros) {
    const std::u16string arg256(256, u'1');
    const std::u16string arg257(257, u'1');
    ExpectRows({
        {u"{{UNKNOWN}}", 1, false, u"{{UNKNOWN}}", 0},
        {u"{{docname}}", 1, false, u"{{docname}}", 0},
        {u"{{DOCNAME}", 1, false, u"{{DOCNAME}", 0},
        {u"{{DOCNAME(x)}}", 1, false, u"{{DOCNAME(x)}}", 0},
        {u"{{PAGES}}", 4, false, u"{{PAGES}}", 0},
        {u"{{PAGEx}} {{PAGE}}", 4, false, u"{{PAGEx}} 4", 1},
        {u"{{PAGE", 4, false, u"{{PAGE", 0},
        {u"{{PAGE(", 4, false, u"{{PAGE(", 0},
        {u"{{PAGE(3}}", 4, false, u"{{PAGE(3}}", 0},
        {u"{{PAGE(3)}", 4, false, u"{{PAGE(3)}", 0},
        {u"{{PAGE(3)x}}", 4, false, u"{{PAGE(3)x}}", 0},
        {u"{{PAGE(3}} {{PAGE}}", 4, false, u"{{PAGE(3}} {{PAGE}}", 0}, // argument runs to the end
        {u"{{PAGE(3)x {{PAGE}}", 4, false, u"{{PAGE(3)x 4", 1},
        {u"{{SYSFOLDER}}", 1, false, u"{{SYSFOLDER}}", 0},
        {u"{{SYSFOLDER(WINDOWS)", 1, false, u"{{SYSFOLDER(WINDOWS)", 0},
        {u"{{SYSFOLDER(WINDOWS)}", 1, false, u"{{SYSFOLDER(WINDOWS)}", 0},
        {u"{{IDENTITY(2}}", 1, false, u"{{IDENTITY(2}}", 0},
        {u"{{DATE(yyyy}}", 1, false, u"{{DATE(yyyy}}", 0},
        {u"{{TIME(HH)x}}", 1, false, u"{{TIME(HH)x}}", 0},
        {u"{{", 1, false, u"{{", 0},
        {u"}}{{)}}(", 1, false, u"}}{{)}}(", 0},
        // The longest argument, and one character more.
        {u"{{PAGE(" + arg256 + u")}}", 5, false, std::u16string(253, u'0') + u"5", 1},
        {u"{{PAGE(" + arg257 + u")}}", 5, false, u"{{PAGE(" + arg257 + u")}}", 0},
        {u"{{PAGE(" + arg256 + u"}}", 5, false, u"{{PAGE(" + arg256 + u"}}", 0},
    });
}

TEST(ExpandMacros, GivesEveryIdentityItsOwnNumberInTextOrder) {
    FakeResolver resolver;
    resolver.identity = 5;
    auto out = ExpandMacros(u"{{IDENTITY}}-{{IDENTITY}}", 1, false, resolver);
    EXPECT_EQ(out.text, u"5-6");
    EXPECT_EQ(resolver.identity, 7);

    out = ExpandMacros(u"{{IDENTITY(3)}}{{IDENTITY}}{{IDENTITY(3)}}", 1, false, resolver);
    EXPECT_EQ(out.text, u"0078009");
    EXPECT_EQ(resolver.identity, 10);

    out = ExpandMacros(u"no identity", 1, false, resolver);
    EXPECT_EQ(resolver.identity, 10);
}

TEST(ExpandMacros, LeavesJobMacrosWhileNoJobIsProcessed) {
    FakeResolver resolver;
    resolver.job.reset();
    const auto out = ExpandMacros(u"{{JOB}}/{{JOB(4)}}/{{PAGE}}", 3, false, resolver);
    EXPECT_EQ(out.text, u"{{JOB}}/{{JOB(4)}}/3");
    EXPECT_EQ(resolver.calls["job"], 1);
}

TEST(ExpandMacros, AsksForAValueOnlyWhenItsMacroIsThere) {
    FakeResolver resolver;
    ExpandMacros(u"{{PAGE}} only", 1, false, resolver);
    for (const char* value : {"terminal", "document", "extension", "user", "machine", "folder",
                              "identity", "date", "time"})
        EXPECT_EQ(resolver.calls[value], 0) << value;

    // One value for each macro text within a pass, as when they are replaced at once.
    ExpandMacros(u"{{USER}}{{USER}}{{DATE}}{{DATE}}{{DATE(yyyy)}}{{SYSFOLDER(WINDOWS)}}"
                 u"{{SYSFOLDER(WINDOWS)}}",
                 1, false, resolver);
    EXPECT_EQ(resolver.calls["user"], 1);
    EXPECT_EQ(resolver.calls["date"], 2);
    EXPECT_EQ(resolver.calls["folder"], 1);
}

// A value is put in as it is: no later pass expands it, and no macro forms across it.
TEST(ExpandMacros, NeverExpandsAnInsertedValue) {
    struct {
        std::u16string document;
        std::u16string extension;
        std::u16string default_date;
        std::u16string windows;
        std::u16string input;
        std::u16string expected;
    } rows[] = {
        {u"{{SYSFOLDER(WINDOWS)}}", u"txt", u"d", u"C:\\windows", u"{{DOCNAME}}",
         u"{{SYSFOLDER(WINDOWS)}}"},
        {u"{{DATE}}", u"txt", u"d", u"C:\\windows", u"{{DOCNAME}}.{{EXT}}", u"{{DATE}}.txt"},
        {u"{{PAGE}}{{IDENTITY}}{{JOB}}", u"txt", u"d", u"C:\\windows", u"{{DOCNAME}}",
         u"{{PAGE}}{{IDENTITY}}{{JOB}}"},
        {u"r", u"{{DOCNAME}}", u"d", u"C:\\windows", u"{{EXT}}", u"{{DOCNAME}}"},
        {u"r", u"}}", u"d", u"C:\\windows", u"{{PAGE{{EXT}}", u"{{PAGE}}"},
        {u"r", u"PAGE}}", u"d", u"C:\\windows", u"{{{{EXT}}", u"{{PAGE}}"},
        {u"r", u"", u"d", u"C:\\windows", u"{{PA{{EXT}}GE}}", u"{{PAGE}}"},
        {u"r", u"txt", u"d", u"C:\\{{TIME}}\\{{DATE}}", u"{{SYSFOLDER(WINDOWS)}}",
         u"C:\\{{TIME}}\\{{DATE}}"},
        // A locale's date format holding the date macro.
        {u"r", u"txt", u"{{DATE}}", u"C:\\windows", u"{{DATE}}-{{DATE}}", u"{{DATE}}-{{DATE}}"},
        {u"r", u"txt", u"{{TIME}}", u"C:\\windows", u"{{DATE}}", u"{{TIME}}"},
        // A value does not become a later macro's argument either.
        {u"dd", u"txt", u"d", u"C:\\windows", u"{{DATE({{DOCNAME}})}}", u"{{DATE(dd)}}"},
    };
    for (const auto& row : rows) {
        FakeResolver resolver;
        resolver.document = row.document;
        resolver.extension = row.extension;
        resolver.default_date = row.default_date;
        resolver.folders[36] = row.windows;
        const auto out = ExpandMacros(row.input, 4, false, resolver);
        EXPECT_EQ(out.text, row.expected) << "input " << PrintToString(row.input);
        EXPECT_EQ(out.page_macros, 0) << "input " << PrintToString(row.input);
        EXPECT_EQ(resolver.identity, 1) << "input " << PrintToString(row.input);
        EXPECT_EQ(resolver.calls["time"], 0) << "input " << PrintToString(row.input);
    }
}

TEST(ExpandMacros, MakesDocumentAndClientNamesSafeInFileNames) {
    const std::u16string long_name(300, u'x');
    struct {
        std::u16string name;
        std::u16string expected;
    } rows[] = {
        {u"..\\..\\x", u"______x"},
        {u"..", u"__"},
        {u".", u"_"},
        {u"CON", u"_CON"},
        {u"a/b", u"a_b"},
        {u"{{DATE}}", u"{{DATE}}"},
        {long_name, std::u16string(200, u'x')},
        {u"report", u"report"},
    };
    for (const auto& row : rows) {
        FakeResolver resolver;
        resolver.document = row.name;
        resolver.terminal = row.name;
        const auto out =
            ExpandMacros(u"C:\\out\\{{DOCNAME}}.{{EXT}}|{{TERMINAL}}", 1, false, resolver);
        EXPECT_EQ(out.text, u"C:\\out\\" + row.expected + u".txt|" + row.expected)
            << "name " << PrintToString(row.name);
    }
}

} // namespace
