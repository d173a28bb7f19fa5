#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "control_host.h"
#include "fixture_registration.h"
#include "plugin_ids.h"
#include "qlx_rplugin.h"
#include "recording_sink.h"
#include "registration.h"
#include "twl_ids.h"
#include "twl_paths.h"

namespace {

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    return narrow;
}

std::wstring Value(const std::wstring& path) {
    wchar_t data[512] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return L"<none>";
    return data;
}

// The plug-in created from its registered library, as the core creates it.
class TwlPlugin : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kTwlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQLX_RPLUGIN,
                                   plugin_.AsVoidOut()),
                  S_OK);
    }

    HRESULT Put(const wchar_t* name, long value) {
        ComVariant v(value);
        return plugin_->PutParam(ComBstr(name), v);
    }
    std::wstring Get(const wchar_t* name) {
        ComVariant value;
        const HRESULT hr = plugin_->GetParam(ComBstr(name), &value);
        if (FAILED(hr))
            return L"hr=" + std::to_wstring(hr);
        return value.vt == VT_I4 ? L"#" + std::to_wstring(value.lVal) : L"?";
    }

    struct Item {
        long x0, y0, x1, y1;
        std::wstring text;
    };
    // One page through the plug-in interface, as the core renders it.
    std::wstring Render(const std::vector<Item>& items, long height = 1000) {
        EXPECT_EQ(plugin_->StartPage(0, 800, height), S_OK);
        for (const Item& item : items) {
            ComBstr text(item.text.data(), static_cast<UINT>(item.text.size()));
            EXPECT_EQ(
                plugin_->AddItem(item.x0, item.y0, item.x1, item.y1, text, ComBstr(L"Courier New")),
                S_OK);
        }
        ComBstr page(L"sentinel");
        EXPECT_EQ(plugin_->EndPage(&page), S_OK);
        return std::wstring(page.Get() ? page.Get() : L"", SysStringLen(page.Get()));
    }

    OleScope ole_;
    PluginRegistration registration_{QLX_TWL_PLUGIN_DLL};
    ComPtr<IQLX_RPLUGIN> plugin_;
};

TEST_F(TwlPlugin, IsRegisteredAsAFormatUnderItsProgIds) {
    const std::wstring clsid = GuidText(kTwlClsid);
    struct {
        std::wstring key;
        std::wstring expected;
    } rows[] = {
        {L"Quorvane.QLX_RPlugin_TWL.6.0", L"RPlugin_TWL Class"},
        {L"Quorvane.QLX_RPlugin_TWL.6.0\\CLSID", clsid},
        {L"Quorvane.QLX_RPlugin_TWL", L"QLX_RPlugin_TWL Class"},
        {L"Quorvane.QLX_RPlugin_TWL\\CurVer", L"Quorvane.QLX_RPlugin_TWL.6.0"},
        {L"CLSID\\" + clsid, L"QLX_RPlugin_TWL Class"},
        {L"CLSID\\" + clsid + L"\\TypeLib", L"{D3FD67B7-D09A-42CE-92DF-489C642B24C3}"},
        {L"CLSID\\" + clsid + L"\\Version", L"5.4"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Value(row.key), row.expected) << Narrow(row.key);
    EXPECT_EQ(ClassesInCategory(kFormatCategory).count(clsid), 1u);
}

TEST_F(TwlPlugin, CarriesItsDescriptionNameAndPageAsResources) {
    HMODULE library = registration_.Library();
    wchar_t path[MAX_PATH + 1] = {};
    ASSERT_GT(GetModuleFileNameW(library, path, MAX_PATH + 1), 0u);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, &block[0]));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(&block[0], L"\\StringFileInfo\\040904B0\\FileDescription", &value, &length));
    EXPECT_STREQ(static_cast<const wchar_t*>(value), L"QLX Rendering Plug-in: Text with Layout");

    wchar_t name[64] = {};
    EXPECT_GT(LoadStringW(library, 100, name, 64), 0);
    EXPECT_STREQ(name, L"qlx_plugin_2d");
    EXPECT_TRUE(FindResourceW(library, MAKEINTRESOURCEW(kTwlPageId), RT_DIALOG));
    EXPECT_TRUE(FindResourceW(library, MAKEINTRESOURCEW(kTwlBitmapId), RT_BITMAP));
}

TEST_F(TwlPlugin, DescribesItselfAndItsTwoParameters) {
    struct {
        HRESULT (STDMETHODCALLTYPE IQLX_RPLUGIN::*get)(BSTR*);
        const wchar_t* expected;
    } rows[] = {
        {&IQLX_RPLUGIN::get_Name, L"TWL"},
        {&IQLX_RPLUGIN::get_Description, L"Text with Layout"},
        {&IQLX_RPLUGIN::get_Extension, L"txt"},
        {&IQLX_RPLUGIN::get_Layout, L"Lmargins,Lusespaces"},
    };
    for (const auto& row : rows) {
        ComBstr value;
        EXPECT_EQ((plugin_.Get()->*row.get)(&value), S_OK);
        EXPECT_STREQ(value.Get(), row.expected);
    }

    EXPECT_EQ(Get(L"margins"), L"#0");
    EXPECT_EQ(Get(L"usespaces"), L"#0");
    EXPECT_EQ(Put(L"margins", 7), S_OK);
    EXPECT_EQ(Put(L"usespaces", 1), S_OK);
    EXPECT_EQ(Get(L"margins"), L"#7");
    EXPECT_EQ(Get(L"Margins"), L"hr=" + std::to_wstring(E_FAIL));
    // It keeps no document name.
    ComVariant name(L"report.doc");
    EXPECT_EQ(plugin_->PutParamUI(ComBstr(L"docname"), name), E_FAIL);
    EXPECT_EQ(Get(L"docname"), L"hr=" + std::to_wstring(E_FAIL));
    EXPECT_EQ(plugin_->ResetParams(), S_OK);
    EXPECT_EQ(Get(L"margins"), L"#0");
    EXPECT_EQ(Get(L"usespaces"), L"#0");
}

TEST_F(TwlPlugin, RendersEachPageInCharacterRows) {
    // Columns 0 and 30 at 10 pixels a character; a blank item is dropped; text outside ASCII
    // survives the conversions.
    const std::vector<Item> page = {
        {400, 80, 450, 100, L"Wörld"},
        {100, 80, 150, 100, L"Hello"},
        {100, 200, 130, 220, L"\u65E5\u672C\u8A9E"},
        {300, 200, 330, 220, L"   "},
    };
    EXPECT_EQ(Render(page), L"Hello" + std::wstring(25, L' ') +
                                L"Wörld\r\n\r\n\r\n\r\n\r\n\r\n\u65E5\u672C\u8A9E\r\n");

    // Document spaces keep the blank item; margins add the lines above and below and count
    // columns from x = 0 (lh = (220 - 80) / 7 = 20: 4 lines above, (300 - 220) / 20 = 4 below).
    ASSERT_EQ(Put(L"usespaces", 1), S_OK);
    ASSERT_EQ(Put(L"margins", 1), S_OK);
    const std::wstring text = Render(page, 300);
    const std::wstring four = L"\r\n\r\n\r\n\r\n";
    EXPECT_EQ(text, four + std::wstring(10, L' ') + L"Hello" + std::wstring(25, L' ') +
                        L"Wörld\r\n\r\n\r\n\r\n\r\n\r\n" + std::wstring(10, L' ') +
                        L"\u65E5\u672C\u8A9E" + std::wstring(17, L' ') + L"   \r\n" + four);

    // The next page starts empty.
    EXPECT_EQ(Render({}), L"");
}

TEST_F(TwlPlugin, AnswersThePageMethodsItDoesNotHave) {
    ComBstr header(L"sentinel");
    EXPECT_EQ(plugin_->GetHeader(600, &header), E_NOTIMPL);
    EXPECT_EQ(header.Get(), nullptr);
    ComBstr footer(L"sentinel");
    EXPECT_EQ(plugin_->GetFooter(&footer), E_NOTIMPL);
    EXPECT_EQ(plugin_->EndPage(nullptr), E_POINTER);
    // A page may come without StartPage and with null strings.
    EXPECT_EQ(plugin_->AddItem(0, 80, 10, 100, nullptr, nullptr), S_OK);
    ComBstr page;
    EXPECT_EQ(plugin_->EndPage(&page), S_OK);
    EXPECT_EQ(SysStringLen(page.Get()), 0u);
}

// The settings page embedded in a host, as the user interface shows it; clicks are real input.
class TwlSettingsPage : public TwlPlugin {
protected:
    void SetUp() override {
        TwlPlugin::SetUp();
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 400, 100}), S_OK);
        ASSERT_EQ(host_.Advise(DIID__IQLX_RPlugin_Events, &sink_), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
    }
    void TearDown() override { host_.Close(); }

    HWND Box(int id) const { return GetDlgItem(page_, id); }
    // A control's rectangle relative to the page's client area.
    RECT Place(HWND control) const {
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    std::wstring TextOf(HWND control) const {
        wchar_t text[128] = {};
        GetWindowTextW(control, text, 128);
        return text;
    }
    bool Checked(int id) const { return SendMessageW(Box(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

    ControlHost host_{420, 120};
    RecordingSink sink_{DIID__IQLX_RPlugin_Events};
    HWND page_ = nullptr;
};

TEST_F(TwlSettingsPage, ShowsTwoCheckBoxesThatReportEveryClick) {
    struct {
        int id;
        const wchar_t* text;
        RECT place;
    } boxes[] = {
        {kMarginsBoxId, L"Print margins", {5, 5, 75, 25}},
        {kUseSpacesBoxId, L"Use document spaces", {115, 5, 225, 25}},
    };
    for (const auto& box : boxes) {
        HWND control = Box(box.id);
        ASSERT_TRUE(IsWindow(control)) << box.id;
        EXPECT_EQ(TextOf(control), box.text);
        const RECT place = Place(control);
        EXPECT_TRUE(EqualRect(&place, &box.place))
            << box.id << ": " << place.left << "," << place.top << "," << place.right << ","
            << place.bottom;
    }

    host_.RealClick(Box(kUseSpacesBoxId));
    host_.RealClick(Box(kMarginsBoxId));
    host_.RealClick(Box(kMarginsBoxId));
    ASSERT_EQ(sink_.events.size(), 3u);
    const char* expected[][2] = {{"usespaces", "#1"}, {"margins", "#1"}, {"margins", "#0"}};
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(sink_.events[n].dispid, 1);
        EXPECT_EQ(sink_.Arg(n, 0), L"TWL");
        EXPECT_EQ(Narrow(sink_.Arg(n, 1)), expected[n][0]) << n;
        EXPECT_EQ(Narrow(sink_.Arg(n, 2)), expected[n][1]) << n;
    }
    EXPECT_EQ(Get(L"usespaces"), L"#1");
    EXPECT_EQ(Get(L"margins"), L"#0");
}

TEST_F(TwlSettingsPage, ValuesFromTheHostShowWithoutEvents) {
    ComVariant on(1L);
    ASSERT_EQ(plugin_->PutParamUI(ComBstr(L"margins"), on), S_OK);
    host_.Pump();
    EXPECT_TRUE(Checked(kMarginsBoxId));
    EXPECT_FALSE(Checked(kUseSpacesBoxId));

    ASSERT_EQ(Put(L"usespaces", 1), S_OK);
    EXPECT_FALSE(Checked(kUseSpacesBoxId)); // PutParam touches no control
    ASSERT_EQ(plugin_->UpdateUI(), S_OK);
    host_.Pump();
    EXPECT_TRUE(Checked(kUseSpacesBoxId));

    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    host_.Pump();
    EXPECT_FALSE(Checked(kMarginsBoxId));
    EXPECT_FALSE(Checked(kUseSpacesBoxId));
    EXPECT_TRUE(sink_.events.empty());
}

} // namespace
