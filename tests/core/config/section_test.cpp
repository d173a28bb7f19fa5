#include <gtest/gtest.h>

#include <string>

#include "cfg_data.h"
#include "com_bstr.h"
#include "config_fakes.h"

namespace {

// A plug-in section "Demo" holding one value of each kind, with the engine's events recorded.
class SectionTest : public testing::Test {
protected:
    SectionTest() {
        context_.engine = &engine_;
        section_.ParseLayout(L"Lcount,Bname,Epassword,Asettings");
    }

    CfgValue Value(const wchar_t* name) {
        CfgValue value;
        EXPECT_TRUE(section_.Find(name, &value)) << name;
        return value;
    }

    FakeEngine engine_;
    CfgContext context_;
    CfgData section_{context_, L"Demo"};
};

ComVariant Typed(VARTYPE vt, LONGLONG bits) {
    ComVariant value;
    value.vt = vt;
    value.llVal = bits;
    return value;
}

TEST_F(SectionTest, LongValuesAcceptIntegerTypesOnly) {
    struct Case {
        const char* name;
        ComVariant value;
        bool accepted;
        LONG expected;
    } cases[] = {
        {"I4", Typed(VT_I4, -5), true, -5},
        {"UI4 as it is", Typed(VT_UI4, 0xfffffffe), true, -2},
        {"INT", Typed(VT_INT, 7), true, 7},
        {"UINT", Typed(VT_UINT, 0x80000000), true, LONG(0x80000000)},
        {"I2 sign-extended", Typed(VT_I2, 0xfffe), true, -2},
        {"I1 sign-extended", Typed(VT_I1, 0xff), true, -1},
        {"UI2 zero-extended", Typed(VT_UI2, 0xfffe), true, 0xfffe},
        {"UI1 zero-extended", Typed(VT_UI1, 0xff), true, 0xff},
        {"BSTR of digits", ComVariant(L"12"), false, 0},
        {"R8", Typed(VT_R8, 0), false, 0},
        {"BOOL", Typed(VT_BOOL, -1), false, 0},
        {"empty", ComVariant(), false, 0},
        {"by reference", Typed(VT_I4 | VT_BYREF, 0), false, 0},
    };
    for (const Case& c : cases) {
        section_.Set(L"count", CfgValue(kCfgLong));
        EXPECT_EQ(section_.PutValue(L"count", c.value), c.accepted) << c.name;
        EXPECT_EQ(Value(L"count").number, c.expected) << c.name;
    }
}

TEST_F(SectionTest, StringsAndArraysRefuseOtherTypes) {
    struct Case {
        const char* name;
        const wchar_t* param;
        ComVariant value;
    } cases[] = {
        {"long into string", L"name", ComVariant(1L)},
        {"empty into protected", L"password", ComVariant()},
        {"string into array", L"settings", ComVariant(L"bytes")},
        {"array into string", L"name", ByteArrayVariant("ab")},
        {"long array into array", L"settings", Typed(VT_ARRAY | VT_I4, 0)},
    };
    section_.PutValue(L"name", ComVariant(L"kept"));
    section_.PutValue(L"settings", ByteArrayVariant("kept"));
    for (const Case& c : cases) {
        engine_.events.clear();
        EXPECT_FALSE(section_.PutValue(c.param, c.value)) << c.name;
        EXPECT_TRUE(engine_.events.empty()) << c.name << ": a refusal is not announced";
    }
    EXPECT_STREQ(Value(L"name").text.c_str(), L"kept");
    EXPECT_EQ(BytesOf(Value(L"settings").bytes), "kept");
}

TEST_F(SectionTest, TwoDimensionalByteArrayIsRefused) {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    ComVariant value;
    value.vt = VT_ARRAY | VT_UI1;
    value.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_FALSE(section_.PutValue(L"settings", value));
}

TEST_F(SectionTest, ChangesAnnounceAndMarkTheSectionOnlyWithAUserInterface) {
    struct Case {
        const char* name;
        LONG uiLoaded;
        const wchar_t* param;
        ComVariant first, second;
        bool changed;      // the section after the second put
        VARTYPE announced; // newVal of the second put's event
    } cases[] = {
        {"new string, UI", 1, L"name", ComVariant(L"a"), ComVariant(L"b"), true, VT_BSTR},
        {"same string, UI", 1, L"name", ComVariant(L"a"), ComVariant(L"a"), false, VT_EMPTY},
        {"new string, no UI", 0, L"name", ComVariant(L"a"), ComVariant(L"b"), false, VT_BSTR},
        {"same long, UI", 2, L"count", ComVariant(3L), ComVariant(3L), false, VT_EMPTY},
        {"new long, UI", 1, L"count", ComVariant(3L), ComVariant(4L), true, VT_I4},
        {"same array, UI", 1, L"settings", ByteArrayVariant("x"), ByteArrayVariant("x"), true,
         VT_ARRAY | VT_UI1},
    };
    for (const Case& c : cases) {
        section_.PutValue(c.param, c.first);
        section_.SetChanged(false);
        engine_.events.clear();
        engine_.uiLoaded = c.uiLoaded;
        EXPECT_TRUE(section_.PutValue(c.param, c.second)) << c.name;
        EXPECT_EQ(section_.Changed(), c.changed) << c.name;
        ASSERT_EQ(engine_.events.size(), 1u) << c.name;
        EXPECT_EQ(engine_.events[0].target, L"Demo") << c.name;
        EXPECT_EQ(engine_.events[0].param, c.param) << c.name;
        EXPECT_EQ(engine_.events[0].newVal.vt, c.announced) << c.name;
    }
}

TEST_F(SectionTest, PutStringReportsWhetherTheTextChanged) {
    engine_.uiLoaded = 1;
    EXPECT_TRUE(section_.PutString(L"name", L"File,HTTP"));
    EXPECT_TRUE(section_.Changed());
    section_.SetChanged(false);
    EXPECT_FALSE(section_.PutString(L"name", L"File,HTTP"));
    EXPECT_FALSE(section_.Changed());
    ASSERT_EQ(engine_.events.size(), 2u);
    EXPECT_EQ(engine_.events[0].newVal.vt, VT_BSTR);
    EXPECT_STREQ(engine_.events[0].newVal.bstrVal, L"File,HTTP");
    EXPECT_EQ(engine_.events[1].newVal.vt, VT_EMPTY);
}

TEST_F(SectionTest, GetValueGivesOwnedCopiesOfEachKind) {
    section_.PutValue(L"count", ComVariant(9L));
    section_.PutValue(L"password", ComVariant(L"plain"));
    section_.PutValue(L"settings", ByteArrayVariant("\x01\x02"));

    ComVariant value;
    ASSERT_EQ(section_.GetValue(L"count", &value), S_OK);
    EXPECT_EQ(value.vt, VT_I4);
    EXPECT_EQ(value.lVal, 9);
    value.Clear();
    ASSERT_EQ(section_.GetValue(L"password", &value), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_STREQ(value.bstrVal, L"plain");
    value.Clear();
    ASSERT_EQ(section_.GetValue(L"settings", &value), S_OK);
    EXPECT_EQ(BytesOf(value), "\x01\x02");
    // The caller's copy is its own: changing it leaves the store alone.
    static_cast<BYTE*>(value.parray->pvData)[0] = 0x7f;
    EXPECT_EQ(BytesOf(Value(L"settings").bytes), "\x01\x02");
    value.Clear();

    section_.Set(L"settings", CfgValue(kCfgByteArray));
    ASSERT_EQ(section_.GetValue(L"settings", &value), S_OK);
    EXPECT_EQ(value.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(value.parray, nullptr) << "no array gives a null array";
    EXPECT_EQ(section_.GetValue(L"count", nullptr), E_POINTER);
}

TEST_F(SectionTest, ApplyToPluginPushesEveryValueInNameOrderThenUpdatesOnce) {
    section_.PutValue(L"count", ComVariant(4L));
    section_.PutValue(L"password", ComVariant(L"pw"));
    section_.PutValue(L"settings", ByteArrayVariant("abc"));
    FakePlugin plugin({});
    section_.ApplyToPlugin(plugin);

    const std::vector<std::wstring> order = {L"count", L"name", L"password", L"settings"};
    EXPECT_EQ(plugin.putOrder, order);
    EXPECT_EQ(plugin.updateCalls, 1);
    EXPECT_EQ(plugin.values[L"count"].lVal, 4);
    EXPECT_STREQ(plugin.values[L"password"].bstrVal, L"pw") << "plugins get the plain text";
    EXPECT_EQ(BytesOf(plugin.values[L"settings"]), "abc");
}

TEST_F(SectionTest, PutValuesTakesTheDefaultsAndChecksWhatThePluginGives) {
    struct Case {
        const char* name;
        const wchar_t* param;
        HRESULT hr;
        ComVariant given;
        LONG number;         // expected afterwards
        const wchar_t* text; // expected afterwards
        const char* bytes;   // expected afterwards; null: no array
    } cases[] = {
        {"long", L"count", S_OK, ComVariant(12L), 12, L"", nullptr},
        {"short converts", L"count", S_OK, Typed(VT_I2, 0xffff), -1, L"", nullptr},
        {"string for long", L"count", S_OK, ComVariant(L"12"), 0, L"", nullptr},
        {"failed call", L"count", E_FAIL, ComVariant(12L), 0, L"", nullptr},
        {"string", L"name", S_OK, ComVariant(L"dflt"), 0, L"dflt", nullptr},
        {"null string", L"name", S_OK, Typed(VT_BSTR, 0), 0, L"", nullptr},
        {"long for string", L"name", S_OK, ComVariant(5L), 0, L"", nullptr},
        {"failed call for string", L"name", E_NOTIMPL, ComVariant(L"x"), 0, L"", nullptr},
        {"array", L"settings", S_OK, ByteArrayVariant("def"), 0, L"", "def"},
        {"null array", L"settings", S_OK, Typed(VT_ARRAY | VT_UI1, 0), 0, L"", ""},
        {"string for array", L"settings", S_OK, ComVariant(L"def"), 0, L"", nullptr},
        {"failed call for array", L"settings", E_FAIL, ByteArrayVariant("x"), 0, L"", nullptr},
    };
    for (const Case& c : cases) {
        // Values of an earlier printer, which must not survive a reset.
        section_.PutValue(L"count", ComVariant(77L));
        section_.PutValue(L"name", ComVariant(L"old"));
        section_.PutValue(L"settings", ByteArrayVariant("old"));
        FakePlugin plugin({{L"count", ComVariant(0L)},
                           {L"name", ComVariant(L"")},
                           {L"password", ComVariant(L"")},
                           {L"settings", Typed(VT_ARRAY | VT_UI1, 0)}});
        plugin.answers[c.param] = {c.hr, c.given};
        section_.PutValues(plugin);

        EXPECT_EQ(plugin.resetCalls, 1) << c.name;
        const CfgValue value = Value(c.param);
        EXPECT_EQ(value.number, c.number) << c.name;
        EXPECT_STREQ(value.text.c_str(), c.text) << c.name;
        if (c.bytes)
            EXPECT_EQ(BytesOf(value.bytes), c.bytes) << c.name;
        else
            EXPECT_EQ(value.bytes.Array(), nullptr) << c.name;
    }
}

} // namespace
