#include <gtest/gtest.h>

#include <windows.h>
#include <comcat.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "mail_ids.h"
#include "registration.h"
#include "transport_page.h"
#include "transport_paths.h"

namespace {

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

std::wstring Value(const std::wstring& path) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

std::wstring FileDescription(const wchar_t* path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    std::string block(size, '\0');
    void* value = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(path, 0, size, &block[0]) ||
        !VerQueryValueW(&block[0], L"\\StringFileInfo\\040904B0\\FileDescription", &value, &length))
        return L"<none>";
    return static_cast<const wchar_t*>(value);
}

class MailPage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mail_.Result(), S_OK); }

    OleScope ole_;
    EmbeddedTransport mail_{QLX_MAIL_DLL, CLSID_XFER_Mail, L"Mail"};
};

TEST_F(MailPage, TheLibraryRegistersTheMailClassUnderItsProgId) {
    const std::wstring clsid = GuidText(CLSID_XFER_Mail);
    EXPECT_EQ(clsid, L"{A644D24A-3190-4BC3-BDF0-F8D0054FA340}");
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_Mail\\CLSID"), clsid);
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_Mail.6.0"), L"QLX_TPlugin_Mail Class");
    EXPECT_EQ(Value(L"CLSID\\" + clsid + L"\\Version"), L"5.8");
    EXPECT_EQ(FileDescription(QLX_MAIL_DLL), L"QLX Transport Plugin : Mail");
    CLSID fromProgId{};
    ASSERT_EQ(CLSIDFromProgID(L"Quorvane.QLX_TPlugin_Mail", &fromProgId), S_OK);
    EXPECT_TRUE(IsEqualCLSID(fromProgId, CLSID_XFER_Mail));
    ComPtr<ICatInformation> categories;
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICatInformation, categories.AsVoidOut()),
              S_OK);
    CATID transport = {
        0xA31FF0FD, 0xB1D2, 0x478C, {0xB7, 0x94, 0x96, 0xE6, 0x8E, 0xC7, 0x01, 0xE1}};
    EXPECT_EQ(categories->IsClassOfCategories(CLSID_XFER_Mail, 1, &transport, 0, nullptr), S_OK);
}

TEST_F(MailPage, TheFilenameEditIsEnabledExactlyWithTheAttachmentBox) {
    EXPECT_FALSE(IsWindowEnabled(mail_.Item(kMailFilenameEditId)));
    mail_.Host().RealClick(mail_.Item(kMailAttachBoxId));
    EXPECT_EQ(mail_.Events().Take(), std::vector<std::wstring>{L"change attach=#1"});
    EXPECT_EQ(mail_.Param(L"attach"), L"#1");
    EXPECT_TRUE(IsWindowEnabled(mail_.Item(kMailFilenameEditId)));
    EXPECT_EQ(SendMessageW(mail_.Item(kMailAttachBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);

    // A value put by the host sets the box and the rule, and fires nothing.
    ASSERT_EQ(mail_.PutUI(L"attach", 0L), S_OK);
    EXPECT_FALSE(IsWindowEnabled(mail_.Item(kMailFilenameEditId)));
    EXPECT_EQ(SendMessageW(mail_.Item(kMailAttachBoxId), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_EQ(mail_.Plugin()->PutParam(ComBstr(L"attach"), ComVariant(3L)), S_OK);
    ASSERT_EQ(mail_.Plugin()->UpdateUI(0), S_OK);
    mail_.Host().Pump();
    EXPECT_TRUE(IsWindowEnabled(mail_.Item(kMailFilenameEditId)));
    ASSERT_EQ(mail_.Plugin()->ResetParams(), S_OK);
    mail_.Host().Pump();
    EXPECT_FALSE(IsWindowEnabled(mail_.Item(kMailFilenameEditId)));
    EXPECT_TRUE(mail_.Events().Take().empty());
}

TEST_F(MailPage, EditsReportTheirTextAndOnlyTheFilenameKeepsIt) {
    struct {
        int id;
        const wchar_t* param;
        const wchar_t* kept; // what GetParam gives after typing
    } rows[] = {
        {kMailToEditId, L"mail", L""},
        {kMailSubjectEditId, L"subject", L""},
        {kMailMessageEditId, L"message", L""},
        {kMailFilenameEditId, L"filename", L"ab"},
    };
    ASSERT_EQ(mail_.PutUI(L"attach", 1L), S_OK);
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.param, row.param + wcslen(row.param)));
        SetFocus(mail_.Item(row.id));
        mail_.Host().Type(L"ab");
        const std::wstring name = row.param;
        EXPECT_EQ(mail_.Events().Take(), (std::vector<std::wstring>{L"change " + name + L"=a",
                                                                    L"change " + name + L"=ab"}));
        EXPECT_EQ(mail_.Param(row.param), row.kept) << "stored when the host puts it back";
    }
    EXPECT_TRUE(GetWindowLongW(mail_.Item(kMailMessageEditId), GWL_STYLE) & ES_MULTILINE);
    ASSERT_EQ(mail_.PutUI(L"subject", L"Weekly {{DOCNAME}}"), S_OK);
    EXPECT_EQ(EmbeddedTransport::WindowText(mail_.Item(kMailSubjectEditId)), L"Weekly {{DOCNAME}}");
    EXPECT_EQ(mail_.Param(L"subject"), L"Weekly {{DOCNAME}}");
    EXPECT_TRUE(mail_.Events().Take().empty());
}

TEST_F(MailPage, ScreenshotForAPerson) {
    mail_.PutUI(L"mail", L"someone@example.invalid; other@example.invalid");
    mail_.PutUI(L"subject", L"Pages of {{DOCNAME}}");
    mail_.PutUI(L"message", L"Hello,\r\nthe pages follow.");
    mail_.PutUI(L"attach", 1L);
    mail_.PutUI(L"filename", L"{{DOCNAME}}.{{EXT}}");
    ASSERT_TRUE(mail_.Host().SaveScreenshot(L"mail_settings_page.bmp"));
    std::printf("screenshot: mail_settings_page.bmp in the test's build folder\n");
}

} // namespace
