#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "in_process_transport.h"

namespace {

using PrnParams = InProcessTransport;

TEST_F(PrnParams, DescriptorAndDefaults) {
    ComBstr name, layout;
    ASSERT_EQ(plugin_->get_Name(&name), S_OK);
    ASSERT_EQ(plugin_->get_Layout(&layout), S_OK);
    EXPECT_STREQ(name.c_str(), L"Printer");
    EXPECT_STREQ(
        layout.c_str(),
        L"Bprinter,Bfont,Lcharset,Lweight,Lheight,Litalic,Lstrikeout,Lunderline,Asettings");
    const std::pair<const wchar_t*, const wchar_t*> defaults[] = {
        {L"printer", L"Default"}, {L"font", L"Default"}, {L"charset", L"#1"},
        {L"weight", L"#400"},     {L"height", L"#10"},   {L"italic", L"#0"},
        {L"strikeout", L"#0"},    {L"underline", L"#0"}, {L"settings", L"bytes:0"},
    };
    for (const auto& [param, value] : defaults)
        EXPECT_EQ(Param(plugin_, param), value) << Narrow(param);
    EXPECT_EQ(Param(plugin_, L"Printer"), L"hr=" + std::to_wstring(E_FAIL));
    EXPECT_EQ(events_->Changes(), std::vector<std::wstring>{});
}

TEST_F(PrnParams, SettingsAreAByteArrayKeptAsACopy) {
    const std::vector<unsigned char> bytes = {1, 2, 3, 250};
    ComVariant given = ByteArray(bytes);
    ASSERT_EQ(Put(plugin_, L"settings", given), S_OK);
    ComVariant first, second;
    ASSERT_EQ(plugin_->GetParam(ComBstr(L"settings").Get(), &first), S_OK);
    ASSERT_EQ(plugin_->GetParam(ComBstr(L"settings").Get(), &second), S_OK);
    EXPECT_EQ(first.vt, VT_ARRAY | VT_UI1);
    EXPECT_NE(first.parray, given.parray) << "the caller's array was kept";
    EXPECT_NE(first.parray, second.parray) << "each read makes its own copy";
    EXPECT_EQ(ParamBytes(plugin_, L"settings"), bytes);

    // A null array is an empty one; an array by reference is read through.
    ComVariant none;
    none.vt = VT_ARRAY | VT_UI1;
    none.parray = nullptr;
    ASSERT_EQ(Put(plugin_, L"settings", none), S_OK);
    EXPECT_EQ(Param(plugin_, L"settings"), L"bytes:0");
    SAFEARRAY* referenced = given.parray;
    ComVariant byRef;
    byRef.vt = VT_ARRAY | VT_UI1 | VT_BYREF;
    byRef.pparray = &referenced;
    ASSERT_EQ(Put(plugin_, L"settings", byRef), S_OK);
    byRef.vt = VT_EMPTY; // the array is given's
    EXPECT_EQ(ParamBytes(plugin_, L"settings"), bytes);

    // Anything else is not a DEVMODE and is refused, the stored bytes unchanged.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    ComVariant square;
    square.vt = VT_ARRAY | VT_UI1;
    square.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    ComVariant longs;
    longs.vt = VT_ARRAY | VT_I4;
    longs.parray = SafeArrayCreateVector(VT_I4, 0, 4);
    const ComVariant text(L"0102"), number(5L);
    const std::pair<const char*, const VARIANT*> refused[] = {
        {"a string", &text}, {"a long", &number}, {"two dimensions", &square}, {"longs", &longs}};
    for (const auto& [row, value] : refused) {
        EXPECT_EQ(Put(plugin_, L"settings", *value), E_INVALIDARG) << row;
        EXPECT_EQ(PutUI(plugin_, L"settings", *value), E_INVALIDARG) << row;
    }
    EXPECT_EQ(ParamBytes(plugin_, L"settings"), bytes);
}

// UpdateUI(0), as the core calls it after pushing stored values, corrects what the machine does
// not offer and keeps what it does; PutParam alone keeps anything.
TEST_F(PrnParams, UpdateUICorrectsValuesTheMachineDoesNotOffer) {
    struct Row {
        const char* row;
        std::vector<std::pair<const wchar_t*, ComVariant>> put;
        const wchar_t* param;
        const wchar_t* after;
    } rows[] = {
        {"printer not there", {{L"printer", ComVariant(L"QLX Gone")}}, L"printer", L"Default"},
        {"empty printer", {{L"printer", ComVariant(L"")}}, L"printer", L"Default"},
        {"printer there", {{L"printer", ComVariant(L"QLX Paper B")}}, L"printer", L"QLX Paper B"},
        {"font not there", {{L"font", ComVariant(L"QLX No Font")}}, L"font", L"Default"},
        {"empty font", {{L"font", ComVariant(L"")}}, L"font", L"Default"},
        {"a font of the printer", {{L"font", ComVariant(L"Courier")}}, L"font", L"Courier"},
        {"a font of the default printer after a reset",
         {{L"printer", ComVariant(L"Default")}, {L"font", ComVariant(L"Helvetica")}},
         L"font",
         L"Helvetica"},
        {"charset the font lacks",
         {{L"font", ComVariant(L"Courier")}, {L"charset", ComVariant(238L)}},
         L"charset",
         L"#1"},
        {"charset the font has",
         {{L"font", ComVariant(L"Courier")}, {L"charset", ComVariant(0L)}},
         L"charset",
         L"#0"},
        {"charset kept with the printer's font",
         {{L"charset", ComVariant(238L)}},
         L"charset",
         L"#238"},
        {"weight between the table's", {{L"weight", ComVariant(450L)}}, L"weight", L"#400"},
        {"weight of the table", {{L"weight", ComVariant(700L)}}, L"weight", L"#700"},
        {"height between the table's", {{L"height", ComVariant(13L)}}, L"height", L"#2"},
        {"height of the table", {{L"height", ComVariant(72L)}}, L"height", L"#72"},
    };
    for (const Row& row : rows) {
        // The core reads values back through a reset, which forgets the default printer's
        // name, and pushes them again before UpdateUI(0).
        ASSERT_EQ(plugin_->ResetParams(), S_OK) << row.row;
        for (const auto& [param, value] : row.put)
            ASSERT_EQ(Put(plugin_, param, value), S_OK) << row.row;
        EXPECT_EQ(plugin_->UpdateUI(0), S_OK) << row.row;
        EXPECT_EQ(Param(plugin_, row.param), row.after) << row.row;
    }
    EXPECT_EQ(events_->Changes(), std::vector<std::wstring>{});
}

TEST_F(PrnParams, PutParamUIChecksTheValueItStores) {
    struct Row {
        const char* row;
        const wchar_t* param;
        ComVariant value;
        const wchar_t* after;
    } rows[] = {
        {"a name with Default in it", L"printer", ComVariant(L"My Default one"), L"Default"},
        {"empty printer", L"printer", ComVariant(L""), L"Default"},
        {"printer not there", L"printer", ComVariant(L"QLX Gone"), L"Default"},
        {"printer there", L"printer", ComVariant(L"QLX Paper B"), L"QLX Paper B"},
        {"font of that printer", L"font", ComVariant(L"Times"), L"Times"},
        {"charset the font lacks", L"charset", ComVariant(161L), L"#1"},
        {"font not there", L"font", ComVariant(L"QLX No Font"), L"Default"},
        {"charset kept with the printer's font", L"charset", ComVariant(161L), L"#161"},
        {"weight", L"weight", ComVariant(450L), L"#400"},
        {"weight as digits", L"weight", ComVariant(L"800"), L"#800"},
        {"height", L"height", ComVariant(13L), L"#2"},
        {"italic", L"italic", ComVariant(5L), L"#5"},
        {"strikeout", L"strikeout", ComVariant(1L), L"#1"},
        {"underline", L"underline", ComVariant(1L), L"#1"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(PutUI(plugin_, row.param, row.value), S_OK) << row.row;
        EXPECT_EQ(Param(plugin_, row.param), row.after) << row.row;
    }
    EXPECT_EQ(PutUI(plugin_, L"Printer", ComVariant(L"x")), E_FAIL);
    EXPECT_EQ(PutUI(plugin_, L"weight", ComVariant(L"bold")), E_INVALIDARG);
    EXPECT_EQ(Param(plugin_, L"weight"), L"#800");
    EXPECT_EQ(events_->Changes(), std::vector<std::wstring>{});
}

TEST_F(PrnParams, ResetGoesBackToTheDefaults) {
    ASSERT_EQ(Put(plugin_, L"printer", std::wstring(L"QLX Paper B")), S_OK);
    ASSERT_EQ(Put(plugin_, L"font", std::wstring(L"Courier")), S_OK);
    ASSERT_EQ(Put(plugin_, L"weight", 800L), S_OK);
    ASSERT_EQ(Put(plugin_, L"italic", 1L), S_OK);
    ASSERT_EQ(Put(plugin_, L"settings", ByteArray({1, 2})), S_OK);
    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    for (const auto& [param, value] :
         std::vector<std::pair<const wchar_t*, const wchar_t*>>{{L"printer", L"Default"},
                                                                {L"font", L"Default"},
                                                                {L"weight", L"#400"},
                                                                {L"italic", L"#0"},
                                                                {L"settings", L"bytes:0"}})
        EXPECT_EQ(Param(plugin_, param), value) << Narrow(param);
    EXPECT_EQ(events_->Changes(), std::vector<std::wstring>{});
}

TEST_F(PrnParams, ANewPrinterCountsOnceThePrinterListIsReadAgain) {
    PaperPrinter later(L"QLX Paper Later", folder_.File(L"paper-later.ps"));
    ASSERT_EQ(later.Result(), S_OK);
    EXPECT_EQ(PutUI(plugin_, L"printer", ComVariant(later.Name().c_str())), S_OK);
    EXPECT_EQ(Param(plugin_, L"printer"), L"Default") << "the list was read at creation";

    EXPECT_EQ(plugin_->UpdateUI(1), S_OK);
    EXPECT_EQ(plugin_->UpdateUI(2), S_OK);
    EXPECT_EQ(PutUI(plugin_, L"printer", ComVariant(later.Name().c_str())), S_OK);
    EXPECT_EQ(Param(plugin_, L"printer"), later.Name());
    EXPECT_EQ(plugin_->UpdateUI(7), S_OK) << "a reason with no meaning does nothing";
}

} // namespace
