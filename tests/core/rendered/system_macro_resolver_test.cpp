#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "com_bstr.h"
#include "counting_identity.h"
#include "system_macro_resolver.h"
#include "system_expansion.h"
#include "temp_dir.h"
#include "translate_macros.h"

namespace {

TEST(SystemMacroResolver, GivesTheAccountAndMachineNames) {
    wchar_t user[256], machine[256];
    DWORD user_size = 256, machine_size = 256;
    ASSERT_TRUE(GetUserNameW(user, &user_size));
    ASSERT_TRUE(GetComputerNameW(machine, &machine_size));
    EXPECT_EQ(Expand(L"{{USER}}@{{MACHINE}}"), std::wstring(user) + L"@" + machine);
}

TEST(SystemMacroResolver, GivesNoClientNameOutsideARemoteSession) {
    if (GetSystemMetrics(SM_REMOTESESSION))
        GTEST_SKIP() << "runs in a remote session";
    EXPECT_EQ(Expand(L"[{{TERMINAL}}]"), L"[]");
}

TEST(SystemMacroResolver, GivesShellFolders) {
    wchar_t windows[MAX_PATH], system[MAX_PATH], appdata[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appdata), S_OK);
    EXPECT_EQ(Expand(L"{{SYSFOLDER(WINDOWS)}}|{{SYSFOLDER(SYSTEM)}}|{{SYSFOLDER(APPDATA)}}"),
              std::wstring(windows) + L"|" + system + L"|" + appdata);
    EXPECT_EQ(Expand(L"[{{SYSFOLDER(windows)}}][{{SYSFOLDER(NOWHERE)}}]"), L"[][]");
}

TEST(SystemMacroResolver, GivesTheJobAndIdentityNumbers) {
    CountingIdentity identity(5);
    SystemMacroResolver resolver({L"report", L"txt", 42}, identity);
    ComBstr in(L"{{JOB(4)}}-{{IDENTITY}}-{{IDENTITY(3)}}");
    LONG page_flag = 0;
    ComBstr out;
    ASSERT_EQ(TranslateMacros(in, 1, 0, &page_flag, resolver, &out), S_OK);
    EXPECT_STREQ(out.c_str(), L"0042-5-006");
    EXPECT_EQ(identity.Next(), 7);

    EXPECT_EQ(Expand(L"{{JOB}}", 1, 0, {L"report", L"txt", std::nullopt}), L"{{JOB}}");
}

TEST(SystemMacroResolver, FormatsTheDateAndTime) {
    ExpectBetween([] { return FormatDate(nullptr); }, [] { return Expand(L"{{DATE}}"); });
    ExpectBetween([] { return FormatTime(nullptr); }, [] { return Expand(L"{{TIME}}"); });
    ExpectBetween([] { return FormatDate(L"dd/MM/yyyy"); },
                  [] { return Expand(L"{{DATE(dd/MM/yyyy)}}"); });
    ExpectBetween(
        [] {
            std::wstring date = FormatDate(L"dd/MM/yyyy");
            for (auto& c : date)
                c = c == L'/' ? L'_' : c;
            return date;
        },
        [] { return Expand(L"{{DATE(dd/MM/yyyy)}}", 1, 1); });
    ExpectBetween([] { return FormatTime(L"HH_mm"); },
                  [] { return Expand(L"{{TIME(HH:mm)}}", 1, 1); });
}

// A picture whose text is longer than the 255 characters of the default formats comes as the
// system gives it into a large buffer. (Wine 8 itself cuts such a text at 253 characters.)
TEST(SystemMacroResolver, GivesALongDateTextWhole) {
    std::wstring picture;
    while (picture.size() + 5 <= 256)
        picture += L"dddd ";
    ExpectBetween([&] { return FormatDate(picture.c_str()); },
                  [&] { return Expand(L"{{DATE(" + picture + L")}}"); });
}

// Where the document name forms a file name, the file lands in the folder under a name that
// is not a device, whatever the printing program called the document.
TEST(SystemMacroResolver, KeepsHostileDocumentNamesInTheFolder) {
    const std::wstring long_name(300, L'x');
    struct {
        std::wstring document;
        std::wstring file;
    } rows[] = {
        {L"..\\..\\x", L"______x.txt"},
        {L"CON", L"_CON.txt"},
        {L"nul", L"_nul.txt"},
        {L"COM1", L"_COM1.txt"},
        {L"LPT1.log", L"_LPT1.log.txt"},
        {L"a/b", L"a_b.txt"},
        {L"{{DATE}}", L"{{DATE}}.txt"},
        {L"a:b*c?", L"a_b_c_.txt"},
        {long_name, std::wstring(200, L'x') + L".txt"},
    };
    TempDir folder;
    for (const auto& row : rows) {
        const std::wstring path =
            Expand(folder.Path() + L"\\{{DOCNAME}}.{{EXT}}", 1, 1, {row.document, L"txt", 42});
        EXPECT_EQ(path, folder.File(row.file)) << testing::PrintToString(row.document);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE)
            << testing::PrintToString(row.document) << " error " << GetLastError();
        EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
        CloseHandle(file);
        EXPECT_TRUE(FileExists(folder.File(row.file))) << testing::PrintToString(row.document);
    }
}

} // namespace
