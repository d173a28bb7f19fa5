#pragma once
#include <gtest/gtest.h>

#include <string>

#include "system_macro_resolver.h"

// Expands input through TranslateMacros with the system's values for the given job (by
// default document "report", format "txt", id 42) and identity numbers from 1.
std::wstring Expand(const std::wstring& input, long page = 1, long translate_flag = 0,
                    JobMacroValues job = {L"report", L"txt", 42});

// The system's own text of the current date or time; null for the user's default format.
std::wstring FormatDate(const wchar_t* picture);
std::wstring FormatTime(const wchar_t* picture);

// A clock's text read before and after run; run's text must be one of them.
template <class Read, class Run> void ExpectBetween(Read read, Run run) {
    const std::wstring before = read();
    const std::wstring value = run();
    const std::wstring after = read();
    EXPECT_TRUE(value == before || value == after)
        << "value " << testing::PrintToString(value) << " before " << testing::PrintToString(before)
        << " after " << testing::PrintToString(after);
}
