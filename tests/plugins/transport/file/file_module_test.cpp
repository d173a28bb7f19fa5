#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_variant.h"
#include "file_transport_id.h"
#include "registration.h"
#include "transport_page.h"
#include "transport_paths.h"

namespace {

using Events = std::vector<std::wstring>;

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

enum PageId {
    kPathEdit = 200,
    kFolderButton = 201,
    kFileNameEdit = 202,
    kAppendBox = 203,
    kOpenWithBox = 204,
    kApplicationEdit = 205,
    kFileButton = 206,
    kApplicationButton = 207,
    kParametersEdit = 209,
    kHideBox = 210,
    kWaitBox = 211,
};

// What "OpenWith" enables.
constexpr int kPostProcessorControls[] = {kApplicationEdit, kParametersEdit, kHideBox,
                                          kApplicationButton, kWaitBox};

class FilePage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(file_.Result(), S_OK); }

    std::vector<int> Enabled() const {
        std::vector<int> enabled;
        for (int id : kPostProcessorControls) {
            if (IsWindowEnabled(file_.Item(id)))
                enabled.push_back(id);
        }
        return enabled;
    }
    bool Checked(int id) const {
        return SendMessageW(file_.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    std::wstring Text(int id) const { return EmbeddedTransport::WindowText(file_.Item(id)); }

    OleScope ole_;
    EmbeddedTransport file_{QLX_FILE_DLL, kFileTransportClsid, kFileTransportName};
};

TEST_F(FilePage, TheLibraryRegistersTheFileClassUnderItsProgId) {
    const std::wstring clsid = GuidText(kFileTransportClsid);
    EXPECT_EQ(clsid, L"{66E7F9F4-10B9-4611-805C-49D2A162D90F}");
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_File\\CLSID"), clsid);
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_File\\CurVer"), L"Quorvane.QLX_TPlugin_File.6.0");
    for (int id : {kFolderButton, kFileButton, kApplicationButton})
        EXPECT_EQ(Text(id), L"Browse...") << id;
}

TEST_F(FilePage, ThePostProcessorControlsAreEnabledExactlyWithOpenWith) {
    EXPECT_TRUE(Enabled().empty()) << "from the first showing";
    file_.Host().RealClick(file_.Item(kOpenWithBox));
    EXPECT_EQ(file_.Events().Take(), Events{L"change open=#1"});
    EXPECT_EQ(file_.Param(L"open"), L"#1");
    EXPECT_TRUE(Checked(kOpenWithBox));
    EXPECT_EQ(Enabled().size(), std::size(kPostProcessorControls));

    ASSERT_EQ(file_.PutUI(L"open", 0L), S_OK);
    EXPECT_TRUE(Enabled().empty());
    EXPECT_FALSE(Checked(kOpenWithBox));
    ASSERT_EQ(file_.Plugin()->PutParam(ComBstr(L"open"), ComVariant(2L)), S_OK);
    ASSERT_EQ(file_.Plugin()->UpdateUI(0), S_OK);
    file_.Host().Pump();
    EXPECT_EQ(Enabled().size(), std::size(kPostProcessorControls));
    EXPECT_TRUE(Checked(kOpenWithBox));
    EXPECT_TRUE(file_.Events().Take().empty()) << "values put from code fire nothing";
}

TEST_F(FilePage, UpdateUiFillsEveryControlAndTheControlsStoreWhatTheUserDoes) {
    const struct {
        const wchar_t* name;
        const wchar_t* text;
        int id;
    } edits[] = {{L"path", L"C:\\out", kPathEdit},
                 {L"filename", L"{{DOCNAME}}-{{PAGE}}.txt", kFileNameEdit},
                 {L"exec", L"C:\\tools\\conv.exe", kApplicationEdit},
                 {L"param", L"-x", kParametersEdit}};
    for (const auto& edit : edits)
        ASSERT_EQ(file_.Plugin()->PutParam(ComBstr(edit.name), ComVariant(edit.text)), S_OK);
    for (const wchar_t* box : {L"append", L"hide", L"wait", L"open"})
        ASSERT_EQ(file_.Plugin()->PutParam(ComBstr(box), ComVariant(1L)), S_OK);
    ASSERT_EQ(file_.Plugin()->UpdateUI(0), S_OK);
    file_.Host().Pump();
    for (const auto& edit : edits)
        EXPECT_EQ(Text(edit.id), edit.text) << edit.id;
    for (int id : {kAppendBox, kHideBox, kWaitBox, kOpenWithBox})
        EXPECT_TRUE(Checked(id)) << id;
    EXPECT_TRUE(file_.Events().Take().empty()) << "values put from code fire nothing";

    SetFocus(file_.Item(kPathEdit));
    SendMessageW(file_.Item(kPathEdit), EM_SETSEL, 0, -1);
    file_.Host().Type(L"D");
    SetFocus(file_.Item(kFileNameEdit));
    SendMessageW(file_.Item(kFileNameEdit), EM_SETSEL, 0, -1);
    file_.Host().Type(L"a");
    file_.Host().RealClick(file_.Item(kAppendBox));
    file_.Host().RealClick(file_.Item(kHideBox));
    file_.Host().RealClick(file_.Item(kWaitBox));
    EXPECT_EQ(file_.Events().Take(),
              (Events{L"change path=D", L"change filename=a", L"change append=#0",
                      L"change hide=#0", L"change wait=#0"}));
    EXPECT_EQ(file_.Param(L"path"), L"D");
    EXPECT_EQ(file_.Param(L"filename"), L"a");
    EXPECT_EQ(file_.Param(L"append"), L"#0");
    EXPECT_EQ(file_.Param(L"hide"), L"#0");
    EXPECT_EQ(file_.Param(L"wait"), L"#0");
}

TEST_F(FilePage, ScreenshotForAPerson) {
    file_.PutUI(L"path", L"C:\\Users\\me\\Documents");
    file_.PutUI(L"filename", L"{{DOCNAME}}-{{PAGE}}.{{EXT}}");
    file_.PutUI(L"open", 1L);
    file_.PutUI(L"exec", L"C:\\tools\\convert.exe");
    file_.PutUI(L"param", L"/quiet");
    ASSERT_TRUE(file_.Host().SaveScreenshot(L"file_settings_page.bmp"));
    std::printf("screenshot: file_settings_page.bmp in the test's build folder\n");
}

} // namespace
