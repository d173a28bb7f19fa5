#include <gtest/gtest.h>

#include <string>

#include "ptr_array.h"
#include "wstring.h"

namespace {

TEST(WString, CapacityIsTheNextStepOf32AboveTheLength) {
    struct {
        unsigned length, capacity;
    } cases[] = {{0, 32}, {1, 32}, {31, 32}, {32, 64}, {63, 64}, {64, 96}, {100, 128}};
    for (const auto& c : cases) {
        std::wstring text(c.length, L'x');
        WString s(text.c_str());
        EXPECT_EQ(s.Capacity(), c.capacity) << c.length;
        EXPECT_EQ(s.Length(), c.length);
        WString copy(s);
        EXPECT_EQ(copy.Capacity(), c.capacity) << "copy of " << c.length;
        EXPECT_STREQ(copy.c_str(), text.c_str());
    }
    EXPECT_EQ(WString(nullptr).Length(), 0u);
    EXPECT_EQ(WString().Capacity(), 32u);
}

TEST(WString, AppendingAtLeastDoubles) {
    const std::wstring full(32, L'a');
    WString one(std::wstring(31, L'a').c_str());
    ASSERT_EQ(one.Capacity(), 32u);
    one.PushBack(L'b');
    EXPECT_EQ(one.Capacity(), 32u);
    one.PushBack(L'c');
    EXPECT_EQ(one.Capacity(), 64u);

    WString s;
    s.Assign(full.c_str());
    ASSERT_EQ(s.Capacity(), 32u);
    WString plusOne(s), plusMany(s);
    plusOne.Append(L"x");
    EXPECT_EQ(plusOne.Capacity(), 64u);
    plusMany.Append(std::wstring(100, L'y').c_str());
    EXPECT_EQ(plusMany.Capacity(), 132u);
    EXPECT_EQ(plusMany.Length(), 132u);

    s.Append(L"abcdef", 3);
    EXPECT_STREQ(s.c_str(), (full + L"abc").c_str());
    s.Append(nullptr);
    EXPECT_EQ(s.Length(), 35u);
}

TEST(WString, AppendOfItsOwnTextSurvivesGrowth) {
    WString s(std::wstring(32, L'q').c_str());
    s.Append(s.c_str());
    EXPECT_EQ(s.Length(), 64u);
    EXPECT_STREQ(s.c_str(), std::wstring(64, L'q').c_str());
}

TEST(WString, AssignKeepsOrReplacesTheBuffer) {
    WString s(L"hello");
    s.Assign(L"short");
    EXPECT_EQ(s.Capacity(), 32u);
    s.Assign(std::wstring(40, L'z').c_str());
    EXPECT_EQ(s.Capacity(), 64u);
    s.Assign(L"abcdef", 2);
    EXPECT_STREQ(s.c_str(), L"ab");
    s.Assign(nullptr);
    EXPECT_STREQ(s.c_str(), L"");
}

TEST(WString, ReplaceScansOnAfterEachReplacement) {
    struct {
        const wchar_t *text, *find, *replacement;
        unsigned n;
        const wchar_t* expected;
        unsigned count;
    } cases[] = {
        {L"aaa", L"a", L"aa", 10, L"aaaaaa", 3}, {L"aaa", L"a", L"b", 2, L"bba", 2},
        {L"%d-%d", L"%d", L"", 5, L"-", 2},      {L"abc", L"x", L"y", 5, L"abc", 0},
        {L"abc", L"abc", L"xyz", 1, L"xyz", 1},  {L"abc", L"", L"y", 5, L"abc", 0},
    };
    for (const auto& c : cases) {
        WString s(c.text);
        EXPECT_EQ(s.Replace(c.find, c.replacement, c.n), c.count) << c.text;
        EXPECT_STREQ(s.c_str(), c.expected);
    }
}

TEST(WString, CachedBstrIsRenewedOnlyAfterAChange) {
    WString s(L"page");
    BSTR first = s.GetBSTR();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(s.GetBSTR(), first);
    EXPECT_EQ(SysStringLen(first), 4u);
    s.Append(L" 2");
    BSTR second = s.GetBSTR();
    EXPECT_STREQ(second, L"page 2");
    EXPECT_EQ(SysStringLen(second), 6u);
    s.Assign(L"same");
    s.Assign(L"page 2");
    EXPECT_STREQ(s.GetBSTR(), L"page 2");
}

TEST(WString, AnsiConversionsFollowTheText) {
    WString s(L"abc");
    EXPECT_STREQ(s.ToAnsi(), "abc");
    s.Append(L"def");
    EXPECT_STREQ(s.ToAnsi(), "abcdef");
    s.Clear();
    EXPECT_STREQ(s.ToAnsi(), "");

    WString t(L"old");
    EXPECT_TRUE(t.FromAnsi("new text"));
    EXPECT_STREQ(t.c_str(), L"new text");
    EXPECT_TRUE(t.FromAnsi(""));
    EXPECT_STREQ(t.c_str(), L"") << "an empty text gives the empty text";
    t.Assign(L"old");
    t.FromAnsi(nullptr);
    EXPECT_STREQ(t.c_str(), L"");
}

TEST(WString, EqualityAndOrderByCodeUnit) {
    WString s(L"Abc");
    EXPECT_TRUE(s.Equals(L"Abc"));
    EXPECT_FALSE(s.Equals(L"abc"));
    EXPECT_FALSE(s.Equals(L"Ab"));
    EXPECT_EQ(s.Compare(L"Abc"), 0);
    EXPECT_LT(s.Compare(L"abc"), 0);
    EXPECT_GT(s.Compare(L"Ab"), 0);
    EXPECT_LT(WString(L"a").Compare(L"\xe9"), 0);
    EXPECT_TRUE(WStringEquals(L"x", L"x"));
    EXPECT_FALSE(WStringEquals(L"x", nullptr));
}

TEST(WStringArray, InsertsInPlaceAndDoublesWhenFull) {
    WStringArray array(2);
    array.InsertAt(L"b", 0);
    array.InsertAt(L"a", 0);
    EXPECT_EQ(array.Capacity(), 2u);
    array.InsertAt(L"d", 99);
    EXPECT_EQ(array.Capacity(), 4u);
    array.InsertAt(L"c", 2);
    ASSERT_EQ(array.Count(), 4u);
    const wchar_t* expected[] = {L"a", L"b", L"c", L"d"};
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_STREQ(array[i].c_str(), expected[i]) << i;
    array.Free();
    EXPECT_EQ(array.Count(), 0u);
}

TEST(PtrArray, GrowsFrom16ByDoublingAndKeepsOrder) {
    PtrArray array;
    EXPECT_EQ(array.Capacity(), 16u);
    int values[40];
    for (int i = 0; i < 17; ++i)
        array.Append(&values[i]);
    EXPECT_EQ(array.Capacity(), 32u);
    array.Insert(&values[39], 0);
    array.Insert(&values[38], 100);
    EXPECT_EQ(array.Count(), 19u);
    EXPECT_EQ(array.At(0), &values[39]);
    EXPECT_EQ(array.At(1), &values[0]);
    EXPECT_EQ(array.At(18), &values[38]);
    EXPECT_EQ(array.At(19), nullptr);
    EXPECT_EQ(array.RemoveAt(0), &values[39]);
    EXPECT_EQ(array.As<int>(0), &values[0]);
    EXPECT_EQ(array.RemoveAt(50), nullptr);
}

} // namespace
