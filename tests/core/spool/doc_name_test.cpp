#include <gtest/gtest.h>

#include <string>

#include "doc_name.h"

namespace {

TEST(SetDocName, CleansTheJobsDocumentName) {
    const std::wstring long_name(300, L'x');
    // Its full stop lies beyond the 259 characters kept.
    const std::wstring long_with_extension = L"App - " + std::wstring(270, L'y') + L".txt";
    struct {
        const wchar_t* name;
        std::wstring expected;
    } rows[] = {
        {L"Editor - Q3 report.final.txt", L"Q3 report.final"},
        {L"report.txt", L"report"},
        {L"report", L"report"},
        {L"App - Sub - last part.doc", L"last part"},
        {L"a-b - c", L"c"}, // only " - " with spaces splits
        {L"name-with-dashes.txt", L"name-with-dashes"},
        {L"C:\\docs\\file.txt", L"C__docs_file"},
        {L"a\"b*c/d:e<f>g?h|i", L"a_b_c_d_e_f_g_h_i"},
        {L".profile", L".profile"}, // a full stop in front stays
        {L"..", L"."},
        {L"name.", L"name"},
        {L"", L"Document"},
        {L"Editor - ", L"Document"},
        {L"Editor - .txt", L".txt"},
        {L"Editor - x.", L"x"},
        {nullptr, L"Document"},
        {long_name.c_str(), std::wstring(259, L'x')},
        {long_with_extension.c_str(), std::wstring(259, L'y')},
    };
    for (const auto& row : rows) {
        WString document(L"previous");
        EXPECT_EQ(SetDocName(row.name, &document), S_OK);
        EXPECT_EQ(std::wstring(document.c_str()), row.expected)
            << "name: " << (row.name ? testing::PrintToString(std::wstring(row.name)) : "null");
    }
}

} // namespace
