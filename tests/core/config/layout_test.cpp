#include <gtest/gtest.h>

#include <string>

#include "cfg_data.h"
#include "param_layout.h"

namespace {

std::wstring Describe(const ParamLayout& layout) {
    std::wstring text;
    for (const ParamLayout::Param& param : layout.params)
        text += std::to_wstring(param.kind) + L":" + param.name + L";";
    return text;
}

TEST(ParamLayout, ParsesLettersAndNamesAndStopsWhereTheFormatEnds) {
    struct Case {
        const wchar_t* descriptor;
        const wchar_t* expected; // kind:name; per entry
    } cases[] = {
        {L"Lmargins,Lusespaces", L"0:margins;0:usespaces;"},
        {L"Burl,Bfile,Buser,Epassword,Lput", L"1:url;1:file;1:user;2:password;0:put;"},
        {L"Bprinter,Asettings", L"1:printer;3:settings;"},
        {L"Lmargins, Lusespaces", L"0:margins;"}, // a space ends parsing
        {L"Lmargins,,Lusespaces", L"0:margins;"}, // so do two commas
        {L",Lmargins", L""},                      // and a leading comma
        {L"", L""},
        {L"L,Bname", L"1:name;"},                            // a letter alone makes no entry
        {L"lname", L""},                                     // lower case is not a letter
        {L"Bname with space,Lx", L"1:name with space;0:x;"}, // names are not trimmed
        {L"Lx,", L"0:x;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(ParamLayout::Parse(c.descriptor)), c.expected) << c.descriptor;
    EXPECT_EQ(Describe(ParamLayout::Parse(nullptr)), L"");
}

TEST(ParamLayout, SectionTakesTheDescriptorsEntriesAndTheLaterKindOfARepeatedName) {
    CfgContext context;
    CfgData section(context, L"HTTP");
    section.Set(L"stale", CfgValue(kCfgString));
    section.ParseLayout(L"Bname,Lcount,Aname");

    EXPECT_FALSE(section.Find(L"stale")) << "parsing replaces every entry";
    CfgValue value;
    ASSERT_TRUE(section.Find(L"name", &value));
    EXPECT_EQ(value.kind, kCfgByteArray);
    ASSERT_TRUE(section.Find(L"count", &value));
    EXPECT_EQ(value.kind, kCfgLong);
    EXPECT_EQ(value.number, 0);
    EXPECT_FALSE(value.exposed);
}

} // namespace
