#include <gtest/gtest.h>

#include <string>

#include "reg_key.h"
#include "registry.h"
#include "test_product_key.h"

namespace {

struct StringCase {
    const char* name;
    DWORD type;
    std::wstring data; // stored as given, without a terminator unless it holds one
    DWORD room;
    const wchar_t* expected;
};

TEST(ReadRegString, StaysInsideItsBuffersAndFallsBackToTheDefault) {
    TestProductKey key;
    const StringCase cases[] = {
        {"terminated", REG_SZ, std::wstring(L"abc", 4), 8, L"abc"},
        {"not terminated", REG_SZ, L"abcd", 8, L"abcd"},
        {"exact fit", REG_SZ, std::wstring(L"abcdefg", 8), 8, L"abcdefg"},
        {"fills room unterminated", REG_SZ, L"abcdefgh", 8, L"dflt"},
        {"longer than room", REG_SZ, std::wstring(L"abcdefghijkl", 13), 8, L"dflt"},
        {"another type", REG_DWORD, std::wstring(L"\x0001\x0000", 2), 8, L"dflt"},
        {"expandable is not plain", REG_EXPAND_SZ, std::wstring(L"%x%", 4), 8, L"dflt"},
        {"empty", REG_SZ, std::wstring(L"", 1), 8, L""},
    };
    for (const StringCase& c : cases) {
        key.SetRaw(HKEY_LOCAL_MACHINE, L"Value", c.type, c.data.data(),
                   static_cast<DWORD>(c.data.size() * sizeof(wchar_t)));
        // Guard characters behind the room must stay untouched.
        wchar_t buffer[16];
        wmemset(buffer, L'#', 16);
        ReadRegString(c.room, L"dflt", buffer, L"Value");
        EXPECT_STREQ(buffer, c.expected) << c.name;
        for (DWORD i = c.room; i < 16; ++i)
            EXPECT_EQ(buffer[i], L'#') << c.name << " wrote past the room at " << i;
    }
}

TEST(ReadRegString, MissingValueOrKeyGivesDefaultOrEmpty) {
    TestProductKey key;
    wchar_t buffer[8] = L"junk";
    ReadRegString(8, L"dflt", buffer, L"Missing");
    EXPECT_STREQ(buffer, L"dflt");
    ReadRegString(8, nullptr, buffer, L"Missing");
    EXPECT_STREQ(buffer, L"");
}

TEST(ReadRegDword, ReadsDwordsOnlyAndDefaultsOtherwise) {
    TestProductKey key;
    DWORD value = 0xdeadbeef;
    ReadRegDword(HKEY_LOCAL_MACHINE, &value, 30, L"PrintTimeout");
    EXPECT_EQ(value, 30u) << "missing key";

    key.SetDword(HKEY_CURRENT_USER, L"Identity", 42);
    ReadRegDword(HKEY_CURRENT_USER, &value, 0, L"Identity");
    EXPECT_EQ(value, 42u);
    ReadRegDword(HKEY_LOCAL_MACHINE, &value, 7, L"Identity");
    EXPECT_EQ(value, 7u) << "the root is respected";

    key.SetString(HKEY_CURRENT_USER, L"Identity", L"42");
    ReadRegDword(HKEY_CURRENT_USER, &value, 5, L"Identity");
    EXPECT_EQ(value, 5u) << "a string is not a DWORD";
}

TEST(WriteRegDword, CreatesTheKeyAndSetsTheValue) {
    TestProductKey key;
    EXPECT_TRUE(WriteRegDword(HKEY_CURRENT_USER, L"Autosave", 1));
    DWORD value = 0;
    ReadRegDword(HKEY_CURRENT_USER, &value, 0, L"Autosave");
    EXPECT_EQ(value, 1u);
}

#ifdef _WIN64
TEST(ReadRegDword, SixtyFourBitModulesReadTheThirtyTwoBitView) {
    TestProductKey key; // writes through the 32-bit view
    key.SetDword(HKEY_LOCAL_MACHINE, L"SplitThreshold", 12);
    RegKey native;
    ASSERT_TRUE(
        native.Create(HKEY_LOCAL_MACHINE, key.Path().c_str(), KEY_SET_VALUE, KEY_WOW64_64KEY));
    DWORD other = 99;
    RegSetValueExW(native.Get(), L"SplitThreshold", 0, REG_DWORD,
                   reinterpret_cast<const BYTE*>(&other), sizeof(other));
    DWORD value = 0;
    ReadRegDword(HKEY_LOCAL_MACHINE, &value, 0, L"SplitThreshold");
    EXPECT_EQ(value, 12u);
    native.Close();
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.Path().c_str(), KEY_WOW64_64KEY, 0);
}
#endif

} // namespace
