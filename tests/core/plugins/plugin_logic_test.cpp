#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin_descriptor.h"
#include "plugin_sort.h"
#include "wstring.h"

namespace {

struct Named {
    Named(const wchar_t* name, int tag) : name(name), tag(tag) {}
    const WString& Name() const { return name; }
    WString name;
    int tag;
};

std::string Order(const std::vector<std::shared_ptr<Named>>& list) {
    std::string order;
    for (const auto& item : list) {
        if (!order.empty())
            order += ' ';
        for (const wchar_t* c = item->Name().c_str(); *c; ++c)
            order += static_cast<char>(*c);
        order += std::to_string(item->tag);
    }
    return order;
}

// Names compare by code units (upper case before lower case), and records of equal names keep
// the order they were found in.
TEST(PluginSort, OrdersByCodeUnitsAndKeepsEqualNamesInFoundOrder) {
    struct Row {
        std::vector<const wchar_t*> names;
        const char* expected;
    };
    const Row rows[] = {
        {{L"Mail", L"File"}, "File1 Mail0"},
        {{L"File", L"Mail"}, "File0 Mail1"},
        {{L"mail", L"Mail", L"HTTP", L"Clipboard"}, "Clipboard3 HTTP2 Mail1 mail0"},
        {{L"B", L"B", L"A"}, "A2 B0 B1"},
        {{L"B", L"A", L"B", L"A"}, "A1 A3 B0 B2"},
        {{}, ""},
    };
    for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
        std::vector<std::shared_ptr<Named>> list;
        for (const wchar_t* name : rows[r].names)
            list.push_back(std::make_shared<Named>(name, static_cast<int>(list.size())));
        SortByName(list);
        EXPECT_EQ(Order(list), rows[r].expected) << "row " << r;
    }
}

// What the store's parser reads to the end is accepted; what it would cut short is refused.
TEST(PluginDescriptor, RefusesWhatTheParserWouldCutShort) {
    struct Row {
        const wchar_t* descriptor;
        bool wellFormed;
    };
    const Row rows[] = {
        {L"", true},
        {nullptr, true},
        {L"Burl,Bfile,Buser,Epassword,Lput", true},
        {L"Lmargins,Asettings", true},
        {L"L,Bname", true}, // a letter alone makes no entry; the parser goes on
        {L"Lmargins,", true},
        {L"Lmargins, Lusespaces", false},
        {L"Lmargins,,Lusespaces", false},
        {L",Lmargins", false},
        {L"lmargins", false},
        {L"Xmargins", false},
        {L"Lmargins,Busespaces,x", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DescriptorIsWellFormed(row.descriptor), row.wellFormed)
            << "descriptor: "
            << (row.descriptor
                    ? std::string(row.descriptor, row.descriptor + wcslen(row.descriptor))
                    : std::string("(null)"));
    }
}

} // namespace
