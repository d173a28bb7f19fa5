#include <gtest/gtest.h>
#include <windows.h>

#include "system_expansion.h"

namespace {

// The user's short date format is the locale's: one that holds the date macro itself is
// put in as it is.
TEST(SystemMacroResolver, PutsInALocaleDateFormatHoldingAMacro) {
    wchar_t saved[80] = L"";
    ASSERT_GT(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, saved, 80), 0);
    if (!SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"'{{DATE}}' yyyy"))
        GTEST_SKIP() << "the short date format cannot be set here";
    struct Restore {
        const wchar_t* format;
        ~Restore() { SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format); }
    } restore{saved};
    ExpectBetween(
        [] { return FormatDate(L"'{{DATE}}' yyyy") + L"|" + FormatDate(L"'{{DATE}}' yyyy"); },
        [] { return Expand(L"{{DATE}}|{{DATE}}"); });
    EXPECT_EQ(Expand(L"{{DATE}}").substr(0, 9), L"{{DATE}} ");
}

} // namespace
