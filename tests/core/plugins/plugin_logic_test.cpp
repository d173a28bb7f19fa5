#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin_descriptor.h"
#include "plugin_sort.h"
#include "wstring.h"

namespace {

struct Named {
    // The tag is the place the record was found at; the class id of a record is its key.
    Named(const wchar_t* name, int tag, unsigned long key) : name(name), tag(tag) {
        clsid.Data1 = key;
    }
    const WString& Name() const { return name; }
    WString name;
    int tag;
    CLSID clsid = {};
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

// Names compare by code units (upper case before lower case); records of one name go by class
// id, whatever order they were found in, so the one a name selects is always the same.
TEST(PluginSort, OrdersByCodeUnitsAndEqualNamesByClassId) {
    struct Row {
        std::vector<std::pair<const wchar_t*, unsigned long>> records; // name, class id
        const char* expected;
    };
    const Row rows[] = {
        {{{L"Mail", 1}, {L"File", 2}}, "File1 Mail0"},
        {{{L"File", 1}, {L"Mail", 2}}, "File0 Mail1"},
        {{{L"mail", 1}, {L"Mail", 2}, {L"HTTP", 3}, {L"Clipboard", 4}},
         "Clipboard3 HTTP2 Mail1 mail0"},
        {{{L"B", 5}, {L"B", 6}, {L"A", 7}}, "A2 B0 B1"},
        {{{L"B", 6}, {L"B", 5}, {L"A", 7}}, "A2 B1 B0"},
        {{{L"B", 9}, {L"A", 8}, {L"B", 0x80000000ul}, {L"A", 3}}, "A3 A1 B0 B2"},
        {{}, ""},
    };
    for (size_t r = 0; r < sizeof(rows) / sizeof(rows[0]); ++r) {
        std::vector<std::shared_ptr<Named>> list;
        for (const auto& record : rows[r].records)
            list.push_back(std::make_shared<Named>(record.first, static_cast<int>(list.size()),
                                                   record.second));
        SortByName(list);
        EXPECT_EQ(Order(list), rows[r].expected) << "row " << r;
    }
}

// What the store's parser reads to the end is well formed; what it would cut short is not.
TEST(PluginDescriptor, TellsWhatTheParserWouldCutShort) {
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
