#include <gtest/gtest.h>

#include <string>

#include "scramble.h"

namespace {

std::wstring Scrambled(const wchar_t* text) {
    WStringBase out;
    ScrambleString(out, text);
    return out.c_str();
}

std::wstring Unscrambled(const std::wstring& text) {
    WStringBase out;
    UnscrambleString(out, text.c_str());
    return out.c_str();
}

TEST(Scramble, RoundTripsAndKeepsTheLength) {
    std::wstring everyPrintable;
    for (wchar_t c = 0x20; c <= 0x7e; ++c)
        everyPrintable += c;
    const std::wstring cases[] = {
        L"",
        L"a",
        L"secret",
        L"pass word",
        L"aaaaaaaaaaaaaaaa",
        everyPrintable,
        L"\u00e9t\u00e9 caf\u00e9",
        L"tab\there",
        std::wstring(3000, L'~'),
    };
    for (const std::wstring& text : cases) {
        const std::wstring scrambled = Scrambled(text.c_str());
        EXPECT_EQ(scrambled.size(), text.size()) << text;
        EXPECT_EQ(Unscrambled(scrambled), text) << text;
    }
}

TEST(Scramble, HidesAsciiAndCopiesOtherCharacters) {
    EXPECT_NE(Scrambled(L"password"), L"password");
    // Repeated letters do not give repeated output: the key runs on.
    const std::wstring repeated = Scrambled(L"aaaa");
    EXPECT_FALSE(repeated[0] == repeated[1] && repeated[1] == repeated[2]) << repeated;
    // Every string starts from the same key, so the result does not depend on earlier calls.
    EXPECT_EQ(Scrambled(L"secret"), Scrambled(L"secret"));
    // Outside the alphabet: unchanged.
    EXPECT_EQ(Scrambled(L"\u00e9\u00e8\u4e2d"), L"\u00e9\u00e8\u4e2d");
    const std::wstring mixed = Scrambled(L"a\u00e9b");
    EXPECT_EQ(mixed[1], L'\u00e9');
}

} // namespace
