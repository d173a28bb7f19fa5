#include <gtest/gtest.h>
#include <windows.h>

#include "com_bstr.h"
#include "counting_identity.h"
#include "system_macro_resolver.h"
#include "translate_macros.h"

namespace {

class TranslateMacrosTest : public testing::Test {
protected:
    CountingIdentity identity_{1};
    SystemMacroResolver resolver_{{L"report", L"txt", 42}, identity_};
};

TEST_F(TranslateMacrosTest, AddsThePageMacrosToTheCallersCount) {
    ComBstr in(L"{{DOCNAME}}_{{PAGE(3)}}_{{PAGE(3)}}.{{EXT}}");
    LONG page_flag = 3;
    BSTR out = reinterpret_cast<BSTR>(1);
    ASSERT_EQ(TranslateMacros(in, 12, 1, &page_flag, resolver_, &out), S_OK);
    ComBstr hold;
    hold.Attach(out);
    EXPECT_STREQ(hold.c_str(), L"report_012_012.txt");
    EXPECT_EQ(page_flag, 5);
}

TEST_F(TranslateMacrosTest, TakesTheWholeString) {
    const wchar_t text[] = L"a\0{{PAGE}}";
    ComBstr in(text, 10);
    LONG page_flag = 0;
    ComBstr out;
    ASSERT_EQ(TranslateMacros(in, 7, 0, &page_flag, resolver_, &out), S_OK);
    ASSERT_EQ(out.Length(), 3u);
    EXPECT_EQ(std::wstring(out.c_str(), 3), std::wstring(L"a\0"
                                                         L"7",
                                                         3));

    ASSERT_EQ(TranslateMacros(nullptr, 7, 0, &page_flag, resolver_, &out), S_OK);
    ASSERT_NE(out.Get(), nullptr);
    EXPECT_EQ(out.Length(), 0u);
    EXPECT_EQ(page_flag, 1);
}

TEST_F(TranslateMacrosTest, RefusesNullPointers) {
    ComBstr in(L"{{IDENTITY}}");
    LONG page_flag = 0;
    EXPECT_EQ(TranslateMacros(in, 1, 0, &page_flag, resolver_, nullptr), E_POINTER);
    BSTR out = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(TranslateMacros(in, 1, 0, nullptr, resolver_, &out), E_POINTER);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(identity_.Next(), 1); // nothing taken
}

} // namespace
