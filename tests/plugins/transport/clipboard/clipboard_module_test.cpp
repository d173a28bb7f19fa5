#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "clipboard_ids.h"
#include "com_bstr.h"
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

// The controls that only mean something with a post-processor.
constexpr int kPostProcessorControls[] = {kClipboardExecEditId, kClipboardParamEditId,
                                          kClipboardHideBoxId, kClipboardBrowseButtonId,
                                          kClipboardWaitBoxId};

class ClipboardPage : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(clipboard_.Result(), S_OK); }

    std::vector<int> Enabled() const {
        std::vector<int> enabled;
        for (int id : kPostProcessorControls) {
            if (IsWindowEnabled(clipboard_.Item(id)))
                enabled.push_back(id);
        }
        return enabled;
    }
    bool Checked(int id) const {
        return SendMessageW(clipboard_.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    OleScope ole_;
    EmbeddedTransport clipboard_{QLX_CLIPBOARD_DLL, CLSID_XFER_Clipboard, L"Clipboard"};
};

TEST_F(ClipboardPage, TheLibraryRegistersTheClipboardClassUnderItsProgId) {
    const std::wstring clsid = GuidText(CLSID_XFER_Clipboard);
    EXPECT_EQ(clsid, L"{D475F618-1DAD-4E04-B401-4DC74E17BE54}");
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_Clipboard\\CLSID"), clsid);
    EXPECT_EQ(Value(L"Quorvane.QLX_TPlugin_Clipboard\\CurVer"),
              L"Quorvane.QLX_TPlugin_Clipboard.6.0");
    ComBstr name, layout;
    ASSERT_EQ(clipboard_.Plugin()->get_Name(&name), S_OK);
    ASSERT_EQ(clipboard_.Plugin()->get_Layout(&layout), S_OK);
    EXPECT_STREQ(name.c_str(), L"Clipboard");
    EXPECT_STREQ(layout.c_str(), L"Bexec,Bparam,Lhide,Lopen,Lwait");
}

TEST_F(ClipboardPage, ThePostProcessorControlsAreEnabledExactlyWithOpenWith) {
    EXPECT_TRUE(Enabled().empty());
    clipboard_.Host().RealClick(clipboard_.Item(kClipboardOpenBoxId));
    EXPECT_EQ(clipboard_.Events().Take(), std::vector<std::wstring>{L"change open=#1"});
    EXPECT_EQ(clipboard_.Param(L"open"), L"#1");
    EXPECT_TRUE(Checked(kClipboardOpenBoxId));
    EXPECT_EQ(Enabled().size(), std::size(kPostProcessorControls));

    ASSERT_EQ(clipboard_.PutUI(L"open", 0L), S_OK);
    EXPECT_TRUE(Enabled().empty());
    EXPECT_FALSE(Checked(kClipboardOpenBoxId));
    ASSERT_EQ(clipboard_.Plugin()->PutParam(ComBstr(L"open"), ComVariant(2L)), S_OK);
    ASSERT_EQ(clipboard_.Plugin()->UpdateUI(0), S_OK);
    clipboard_.Host().Pump();
    EXPECT_EQ(Enabled().size(), std::size(kPostProcessorControls));
    EXPECT_TRUE(Checked(kClipboardOpenBoxId));
    EXPECT_TRUE(clipboard_.Events().Take().empty()) << "values put from code fire nothing";
}

TEST_F(ClipboardPage, TheOtherControlsStoreAndReportWhatTheUserDoes) {
    ASSERT_EQ(clipboard_.PutUI(L"open", 1L), S_OK);
    SetFocus(clipboard_.Item(kClipboardExecEditId));
    clipboard_.Host().Type(L"c:");
    SetFocus(clipboard_.Item(kClipboardParamEditId));
    clipboard_.Host().Type(L"-x");
    clipboard_.Host().RealClick(clipboard_.Item(kClipboardHideBoxId));
    clipboard_.Host().RealClick(clipboard_.Item(kClipboardWaitBoxId));
    EXPECT_EQ(
        clipboard_.Events().Take(),
        (std::vector<std::wstring>{L"change exec=c", L"change exec=c:", L"change param=-",
                                   L"change param=-x", L"change hide=#1", L"change wait=#1"}));
    EXPECT_EQ(clipboard_.Param(L"exec"), L"c:");
    EXPECT_EQ(clipboard_.Param(L"param"), L"-x");
    EXPECT_EQ(clipboard_.Param(L"hide"), L"#1");
    EXPECT_EQ(clipboard_.Param(L"wait"), L"#1");
}

TEST_F(ClipboardPage, ScreenshotForAPerson) {
    clipboard_.PutUI(L"open", 1L);
    clipboard_.PutUI(L"exec", L"C:\\tools\\convert.exe");
    clipboard_.PutUI(L"param", L"/from-clipboard {{DOCNAME}}");
    clipboard_.PutUI(L"wait", 1L);
    ASSERT_TRUE(clipboard_.Host().SaveScreenshot(L"clipboard_settings_page.bmp"));
    std::printf("screenshot: clipboard_settings_page.bmp in the test's build folder\n");
}

} // namespace
