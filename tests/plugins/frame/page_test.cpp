#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "control_host.h"
#include "fixture_plugin_ids.h"
#include "fixture_registration.h"
#include "qlx_tplugin.h"
#include "recording_sink.h"

namespace {

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The test transport, created from its registered library as a host creates it, with its page
// embedded in the host and a sink on its events.
class EmbeddedPage : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kTestTransportClsid, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IQLX_TPLUGIN, plugin_.AsVoidOut()),
                  S_OK);
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 300, 280}), S_OK);
        ASSERT_EQ(host_.Advise(DIID__IQLX_TPlugin_Events, &sink_), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
    }
    void TearDown() override { host_.Close(); }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    // The changes recorded since the last look, each as "param=value".
    std::vector<std::wstring> TakeChanges() { return sink_.TakeChanges(kTestTransportName); }
    std::wstring Param(const wchar_t* name) {
        ComVariant value;
        EXPECT_EQ(plugin_->GetParam(ComBstr(name).Get(), &value), S_OK) << name;
        return VariantText(value);
    }

    OleScope ole_;
    FixtureRegistration registration_;
    ComPtr<IQLX_TPLUGIN> plugin_;
    ControlHost host_{320, 300};
    RecordingSink sink_{DIID__IQLX_TPlugin_Events};
    HWND page_ = nullptr;
};

TEST_F(EmbeddedPage, TypingFiresOneChangePerKeystrokeWithTheNewValue) {
    SetFocus(Item(kUrlEditId));
    host_.Type(L"ab");
    EXPECT_EQ(TakeChanges(), (std::vector<std::wstring>{L"url=a", L"url=ab"}));
    EXPECT_EQ(Param(L"url"), L"ab");

    // Tab goes through the dialog to the next control, the password edit.
    host_.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), Item(kPasswordEditId));
    host_.Type(L"k");
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"password=k"});
}

TEST_F(EmbeddedPage, ClickingTheCheckBoxFiresTheInvertedValue) {
    host_.RealClick(Item(kPutBoxId));
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"put=#1"});
    host_.RealClick(Item(kPutBoxId));
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"put=#0"});
    EXPECT_EQ(Param(L"put"), L"#0");
}

TEST_F(EmbeddedPage, ValuesPutFromCodeShowWithoutFiring) {
    ComVariant url(L"http://example.invalid/in");
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"url").Get(), url), S_OK);
    ComVariant put(1L);
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"put").Get(), put), S_OK);
    host_.Pump();
    EXPECT_EQ(WindowText(Item(kUrlEditId)), L"http://example.invalid/in");
    EXPECT_EQ(SendMessageW(Item(kPutBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});

    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    host_.Pump();
    EXPECT_EQ(WindowText(Item(kUrlEditId)), L"");
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});

    // The page still reports what the user does afterwards.
    SetFocus(Item(kUrlEditId));
    host_.Type(L"z");
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"url=z"});
}

TEST_F(EmbeddedPage, ScreenshotForAPerson) {
    ComVariant url(L"http://example.invalid/upload");
    plugin_->PutParamUI(ComBstr(L"url").Get(), url);
    ComVariant put(1L);
    plugin_->PutParamUI(ComBstr(L"put").Get(), put);
    SetFocus(Item(kUrlEditId));
    ASSERT_TRUE(host_.SaveScreenshot(L"frame_settings_page.bmp"));
    std::printf("screenshot: frame_settings_page.bmp in the test's build folder\n");
}

} // namespace
