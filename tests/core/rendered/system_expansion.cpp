#include "system_expansion.h"

#include <windows.h>

#include "com_bstr.h"
#include "counting_identity.h"
#include "translate_macros.h"

std::wstring Expand(const std::wstring& input, long page, long translate_flag, JobMacroValues job) {
    CountingIdentity identity(1);
    SystemMacroResolver resolver(std::move(job), identity);
    ComBstr in(input.c_str(), static_cast<UINT>(input.size()));
    LONG page_flag = 0;
    ComBstr out;
    EXPECT_EQ(TranslateMacros(in, page, translate_flag, &page_flag, resolver, &out), S_OK);
    return std::wstring(out.c_str(), out.Length());
}

std::wstring FormatDate(const wchar_t* picture) {
    wchar_t text[1024] = L"";
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, nullptr, picture, text, 1024);
    return text;
}

std::wstring FormatTime(const wchar_t* picture) {
    wchar_t text[1024] = L"";
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, picture, text, 1024);
    return text;
}
