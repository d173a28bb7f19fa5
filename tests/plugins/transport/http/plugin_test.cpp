// The HTTP transport as a host finds it: registered from its library, its parameters, and its
// settings page embedded in a window.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "control_host.h"
#include "fixture_registration.h"
#include "http_test_paths.h"
#include "qlx_tplugin.h"
#include "recording_sink.h"
#include "registration.h"
#include "xfer_http_ids.h"

namespace {

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

std::wstring ClassValue(const std::wstring& path) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

class RegisteredPlugin : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kHttpTransportClsid, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IQLX_TPLUGIN, plugin_.AsVoidOut()),
                  S_OK);
    }
    std::wstring Param(const wchar_t* name) {
        ComVariant value;
        const HRESULT hr = plugin_->GetParam(ComBstr(name), &value);
        return FAILED(hr) ? L"hr=" + std::to_wstring(hr) : VariantText(value);
    }

    OleScope ole_;
    PluginRegistration registration_{QLX_XFER_HTTP_DLL};
    ComPtr<IQLX_TPLUGIN> plugin_;
};

TEST_F(RegisteredPlugin, IsFoundByItsProgIdAndDescribesItsParameters) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(L"Quorvane.QLX_TPlugin_HTTP", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, kHttpTransportClsid));
    const std::wstring key = L"CLSID\\" + GuidText(kHttpTransportClsid);
    EXPECT_EQ(ClassValue(key), L"QLX_TPlugin_HTTP Class");
    const std::wstring bitmap = ClassValue(key + L"\\ToolboxBitmap32");
    EXPECT_EQ(bitmap.substr(bitmap.size() - 5), L", 102") << Narrow(bitmap);

    ComBstr name, layout;
    ASSERT_EQ(plugin_->get_Name(&name), S_OK);
    ASSERT_EQ(plugin_->get_Layout(&layout), S_OK);
    EXPECT_STREQ(name.c_str(), L"HTTP");
    EXPECT_STREQ(layout.c_str(), L"Burl,Bfile,Buser,Epassword,Lput");
    for (const wchar_t* param : {L"url", L"file", L"user", L"password"})
        EXPECT_EQ(Param(param), L"") << Narrow(param);
    EXPECT_EQ(Param(L"put"), L"#0");
    EXPECT_EQ(Param(L"URL"), L"hr=" + std::to_wstring(E_FAIL)) << "names are case-sensitive";

    ComVariant secret(L"s3cret"), put(1L);
    ASSERT_EQ(plugin_->PutParam(ComBstr(L"password"), secret), S_OK);
    ASSERT_EQ(plugin_->PutParam(ComBstr(L"put"), put), S_OK);
    EXPECT_EQ(Param(L"password"), L"s3cret") << "a plain string inside the plug-in";
    EXPECT_EQ(plugin_->UpdateUI(1), S_OK);
    EXPECT_EQ(plugin_->UpdateUI(2), S_OK);
    EXPECT_EQ(plugin_->StartJob(), S_OK);
    EXPECT_EQ(plugin_->EndJob(), S_OK);
    EXPECT_EQ(plugin_->ResetParams(), S_OK) << "no page: nothing to show";
    EXPECT_EQ(Param(L"password"), L"");
    EXPECT_EQ(Param(L"put"), L"#0");
}

class HttpPage : public RegisteredPlugin {
protected:
    void SetUp() override {
        RegisteredPlugin::SetUp();
        ASSERT_TRUE(plugin_);
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 300, 250}), S_OK);
        ASSERT_EQ(host_.Advise(DIID__IQLX_TPlugin_Events, &sink_), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
    }
    void TearDown() override { host_.Close(); }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    std::vector<std::wstring> TakeChanges() { return sink_.TakeChanges(L"HTTP"); }

    ControlHost host_{320, 270};
    RecordingSink sink_{DIID__IQLX_TPlugin_Events};
    HWND page_ = nullptr;
};

TEST_F(HttpPage, ShowsItsLabelsAndControlsWhereTheyBelong) {
    const struct {
        int id;
        RECT rect;
    } controls[] = {
        {kHttpUrlEditId, {5, 25, 285, 45}},        {kHttpFileEditId, {5, 75, 285, 95}},
        {kHttpPutBoxId, {5, 115, 135, 123}},       {kHttpUserEditId, {5, 155, 285, 175}},
        {kHttpPasswordEditId, {5, 215, 285, 235}},
    };
    for (const auto& control : controls) {
        HWND window = Item(control.id);
        ASSERT_TRUE(IsWindow(window)) << control.id;
        RECT at{};
        GetWindowRect(window, &at);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&at), 2);
        EXPECT_TRUE(EqualRect(&at, &control.rect)) << control.id << ": " << at.left << "," << at.top
                                                   << "," << at.right << "," << at.bottom;
    }
    EXPECT_EQ(WindowText(Item(kHttpPutBoxId)), L"PUT method");
    EXPECT_TRUE(GetWindowLongW(Item(kHttpPasswordEditId), GWL_STYLE) & ES_PASSWORD);
    EXPECT_FALSE(GetWindowLongW(Item(kHttpUserEditId), GWL_STYLE) & ES_PASSWORD);
    std::vector<std::wstring> labels;
    for (HWND child = GetWindow(page_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == -1 || GetDlgCtrlID(child) == 0xFFFF)
            labels.push_back(WindowText(child));
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"URL", L"File name", L"User name", L"Password"}));
}

TEST_F(HttpPage, EditsAndTheCheckBoxReportEachChange) {
    SetFocus(Item(kHttpUrlEditId));
    host_.Type(L"h/");
    SetFocus(Item(kHttpFileEditId));
    host_.Type(L"f");
    SetFocus(Item(kHttpUserEditId));
    host_.Type(L"u");
    SetFocus(Item(kHttpPasswordEditId));
    host_.Type(L"pw");
    host_.RealClick(Item(kHttpPutBoxId));
    EXPECT_EQ(TakeChanges(), (std::vector<std::wstring>{L"url=h", L"url=h/", L"file=f", L"user=u",
                                                        L"password=p", L"password=pw", L"put=#1"}));
    EXPECT_EQ(Param(L"password"), L"pw");
    EXPECT_EQ(Param(L"put"), L"#1");
}

TEST_F(HttpPage, ValuesPutFromTheCoreShowWithoutEcho) {
    ComVariant url(L"https://example.invalid/upload/"), file(L"{{DOCNAME}}.txt"), put(1L);
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"url"), url), S_OK);
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"file"), file), S_OK);
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"put"), put), S_OK);
    host_.Pump();
    EXPECT_EQ(WindowText(Item(kHttpUrlEditId)), L"https://example.invalid/upload/");
    EXPECT_EQ(WindowText(Item(kHttpFileEditId)), L"{{DOCNAME}}.txt");
    EXPECT_EQ(SendMessageW(Item(kHttpPutBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});
    ASSERT_TRUE(host_.SaveScreenshot(L"http_settings_page.bmp"));
    std::printf("screenshot: http_settings_page.bmp in the test's build folder\n");
}

} // namespace
