#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "com_safearray.h"
#include "page_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;
using testing::PrintToString;

// The page's bytes as Item gives them (from the array) and the size ItemSize reports.
struct Converted {
    HRESULT item;
    Bytes bytes;
    HRESULT size_result;
    size_t size;
};

Converted Convert(const std::wstring& text, const PageConversion& settings) {
    Converted converted{};
    SAFEARRAY* raw = reinterpret_cast<SAFEARRAY*>(1);
    converted.item = ConvertPageArray(text.c_str(), static_cast<UINT>(text.size()), settings, &raw);
    ComSafeArray array(raw);
    if (SUCCEEDED(converted.item)) {
        EXPECT_EQ(SafeArrayGetDim(array.Get()), 1u);
        LONG low = -1;
        SafeArrayGetLBound(array.Get(), 1, &low);
        EXPECT_EQ(low, 0);
        VARTYPE vt = VT_EMPTY;
        SafeArrayGetVartype(array.Get(), &vt);
        EXPECT_EQ(vt, VT_UI1);
        converted.bytes.resize(array.Count());
        if (!converted.bytes.empty()) {
            SafeArrayAccess access(array.Get());
            memcpy(converted.bytes.data(), access.Data(), converted.bytes.size());
        }
    } else {
        EXPECT_EQ(raw, nullptr);
    }
    Bytes sized = {0xEE};
    converted.size_result =
        ConvertPageBytes(text.c_str(), static_cast<UINT>(text.size()), settings, &sized);
    converted.size = sized.size();
    return converted;
}

TEST(ConvertPageArray, GivesTheExactBytesThroughTheSystemsCodePages) {
    struct {
        std::wstring text;
        int32_t unix_eol;
        int32_t charset;
        int32_t page_break;
        Bytes bytes;
    } rows[] = {
        {L"a\r\nb", 1, 5, 1, {0x61, 0x00, 0x0A, 0x00, 0x62, 0x00, 0x0C, 0x00}},
        {L"a\r\nb", 0, 1252, 0, {0x61, 0x0D, 0x0A, 0x62}},
        {L"a\r\nb", 1, 1252, 1, {0x61, 0x0A, 0x62, 0x0C}},
        {L"a\r\nb", 0, 5, 0, {0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x62, 0x00}},
        {L"", 0, 5, 0, {}},
        {L"", 0, 5, 1, {0x0C, 0x00}},
        {L"", 0, 1252, 0, {}},
        {L"", 1, 1252, 1, {0x0C}},
        {L"\r", 1, 65001, 0, {}},
        {L"\u00e9\u20ac", 0, 1252, 0, {0xE9, 0x80}},
        {L"\u00e9\u20ac", 0, 65001, 1, {0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0x0C}},
        {L"\u0416\r\n", 1, 866, 0, {0x86, 0x0A}},
        {L"\u3042", 0, 932, 0, {0x82, 0xA0}},
        {L"\u00e9", 0, 437, 0, {0x82}},
        {L"\u20ac", 0, 1252 - 1, 0, {0x88}}, // 1251
        {L"\u4e2d", 0, 1252, 0, {0x3F}},     // no such character: the system's default one
        {L"a", 0, 1, 1, {0x61, 0x0C}},       // the OEM code page
    };
    for (const auto& row : rows) {
        const PageConversion settings{row.unix_eol, row.charset, row.page_break};
        const Converted converted = Convert(row.text, settings);
        const std::string name = PrintToString(row.text) + " eol " + std::to_string(row.unix_eol) +
                                 " charset " + std::to_string(row.charset) + " break " +
                                 std::to_string(row.page_break);
        ASSERT_EQ(converted.item, S_OK) << name;
        EXPECT_EQ(converted.bytes, row.bytes) << name;
        EXPECT_EQ(converted.size_result, S_OK) << name;
        EXPECT_EQ(converted.size, converted.bytes.size()) << name;
    }
}

TEST(ConvertPageArray, FailsForACodePageThatCannotConvert) {
    for (int32_t charset : {12345, -1, 1200, 99999}) {
        for (const wchar_t* text : {L"a\r\nb", L""}) {
            const Converted converted = Convert(text, PageConversion{0, charset, 1});
            EXPECT_EQ(converted.item, E_FAIL) << charset << " " << PrintToString(text);
            EXPECT_EQ(converted.size_result, E_FAIL) << charset << " " << PrintToString(text);
            EXPECT_EQ(converted.size, 0u) << charset;
        }
    }
}

TEST(ConvertPageArray, RefusesANullOutPointer) {
    EXPECT_EQ(ConvertPageArray(L"a", 1, PageConversion{}, nullptr), E_POINTER);
    EXPECT_EQ(ConvertPageBytes(L"a", 1, PageConversion{}, nullptr), E_POINTER);
}

// Two threads, each with settings of its own, convert 50 different pages at once.
TEST(ConvertPageArray, ConvertsOnTwoThreadsAtOnce) {
    constexpr int kPages = 50;
    std::vector<std::wstring> pages;
    for (int i = 0; i < kPages; ++i)
        pages.push_back(std::wstring(100 + 97 * i, static_cast<wchar_t>(L'A' + i % 26)) +
                        L"\u00e9\r\n");
    auto convert_all = [&](PageConversion settings, std::vector<Bytes>* out) {
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < kPages; ++i)
                (*out)[i] = Convert(pages[i], settings).bytes;
        }
    };
    std::vector<Bytes> narrow(kPages), wide(kPages);
    std::thread first(convert_all, PageConversion{1, 1252, 1}, &narrow);
    std::thread second(convert_all, PageConversion{0, 5, 0}, &wide);
    first.join();
    second.join();
    for (int i = 0; i < kPages; ++i) {
        const size_t letters = 100 + 97 * i;
        const uint8_t letter = static_cast<uint8_t>('A' + i % 26);
        Bytes expected_narrow(letters, letter);
        expected_narrow.insert(expected_narrow.end(), {0xE9, 0x0A, 0x0C});
        EXPECT_EQ(narrow[i], expected_narrow) << "page " << i;
        Bytes expected_wide;
        for (size_t n = 0; n < letters; ++n)
            expected_wide.insert(expected_wide.end(), {letter, 0x00});
        expected_wide.insert(expected_wide.end(), {0xE9, 0x00, 0x0D, 0x00, 0x0A, 0x00});
        EXPECT_EQ(wide[i], expected_wide) << "page " << i;
    }
}

} // namespace
