#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "control_host.h"
#include "fixture_registration.h"
#include "format_plugin_fixture.h"
#include "plugin_ids.h"
#include "recording_sink.h"
#include "registration.h"
#include "xml_ids.h"
#include "xml_paths.h"

namespace {

// The plug-in created from its registered library, as the core creates it.
class XmlPlugin : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kXmlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQLX_RPLUGIN,
                                   plugin_.AsVoidOut()),
                  S_OK);
    }

    HRESULT Put(const wchar_t* name, long value, bool ui = false) {
        ComVariant v(value);
        return ui ? plugin_->PutParamUI(ComBstr(name), v) : plugin_->PutParam(ComBstr(name), v);
    }
    HRESULT PutDocName(const wchar_t* name, bool ui = true) {
        ComVariant v(name);
        return ui ? plugin_->PutParamUI(ComBstr(L"docname"), v)
                  : plugin_->PutParam(ComBstr(L"docname"), v);
    }
    std::wstring Get(const wchar_t* name) {
        ComVariant value;
        const HRESULT hr = plugin_->GetParam(ComBstr(name), &value);
        if (FAILED(hr))
            return L"hr=" + std::to_wstring(hr);
        return value.vt == VT_I4 ? L"#" + std::to_wstring(value.lVal) : L"?";
    }

    OleScope ole_;
    PluginRegistration registration_{QLX_XML_PLUGIN_DLL};
    ComPtr<IQLX_RPLUGIN> plugin_;
};

TEST_F(XmlPlugin, IsRegisteredAsAFormatWithItsResources) {
    const std::wstring clsid = GuidText(kXmlClsid);
    struct {
        std::wstring key;
        std::wstring expected;
    } rows[] = {
        {L"Quorvane.QLX_RPlugin_XML.6.0", L"QLX_RPlugin_XML Class"},
        {L"Quorvane.QLX_RPlugin_XML\\CurVer", L"Quorvane.QLX_RPlugin_XML.6.0"},
        {L"CLSID\\" + clsid, L"QLX_RPlugin_XML Class"},
        {L"CLSID\\" + clsid + L"\\TypeLib", L"{D3FD67B7-D09A-42CE-92DF-489C642B24C3}"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ClassesValue(row.key), row.expected) << Narrow(row.key);
    EXPECT_EQ(ClassesInCategory(kFormatCategory).count(clsid), 1u);

    wchar_t name[64] = {};
    EXPECT_GT(LoadStringW(registration_.Library(), 100, name, 64), 0);
    EXPECT_STREQ(name, L"qlx_plugin_xml");
    EXPECT_TRUE(FindResourceW(registration_.Library(), MAKEINTRESOURCEW(kXmlPageId), RT_DIALOG));
}

TEST_F(XmlPlugin, KeepsItsParametersAndTheDocumentName) {
    struct {
        HRESULT (STDMETHODCALLTYPE IQLX_RPLUGIN::*get)(BSTR*);
        const wchar_t* expected;
    } rows[] = {
        {&IQLX_RPLUGIN::get_Name, L"XML"},
        {&IQLX_RPLUGIN::get_Description, L"XML"},
        {&IQLX_RPLUGIN::get_Extension, L"xml"},
        {&IQLX_RPLUGIN::get_Layout, L"Loptimize,Lspace"},
    };
    for (const auto& row : rows) {
        ComBstr value;
        EXPECT_EQ((plugin_.Get()->*row.get)(&value), S_OK);
        EXPECT_STREQ(value.Get(), row.expected);
    }
    EXPECT_EQ(Get(L"optimize"), L"#0");
    EXPECT_EQ(Get(L"space"), L"#100");

    // PutParam stores a space of 0 as it is; the page's way of putting reads it as 100, and so
    // does UpdateUI, with no page too.
    EXPECT_EQ(Put(L"space", 0), S_OK);
    EXPECT_EQ(Get(L"space"), L"#0");
    EXPECT_EQ(plugin_->UpdateUI(), S_OK);
    EXPECT_EQ(Get(L"space"), L"#100");
    EXPECT_EQ(Put(L"space", 0, true), S_OK);
    EXPECT_EQ(Get(L"space"), L"#100");
    EXPECT_EQ(Put(L"space", 35, true), S_OK);
    EXPECT_EQ(Get(L"space"), L"#35");
    EXPECT_EQ(Put(L"Space", 1), E_FAIL);

    // The document name goes in both ways, never out, and outlives a reset.
    EXPECT_EQ(PutDocName(L"first", false), S_OK);
    EXPECT_EQ(PutDocName(L"Q&A \"draft\""), S_OK);
    EXPECT_EQ(Get(L"docname"), L"hr=" + std::to_wstring(E_FAIL));
    ASSERT_EQ(Put(L"optimize", 1), S_OK);
    EXPECT_EQ(plugin_->ResetParams(), S_OK);
    EXPECT_EQ(Get(L"optimize"), L"#0");
    EXPECT_EQ(Get(L"space"), L"#100");
    ComBstr header;
    ASSERT_EQ(plugin_->GetHeader(300, &header), S_OK);
    EXPECT_EQ(Text(header.Get()), L"<?xml version=\"1.0\" ?>\r\n<document name=\"Q&amp;A "
                                  L"&quot;draft&quot;\" resolution=\"300\">\r\n");
}

TEST_F(XmlPlugin, WritesJobsThatAnXmlReaderTakesWhateverThePagesHold) {
    XmlReader reader;
    ASSERT_TRUE(reader.Available()) << "no MSXML in the prefix";
    ASSERT_EQ(PutDocName(L"R&D <\x01>"), S_OK);
    const std::vector<std::vector<PageItem>> pages = {
        {{100, 100, 130, 120, L"Hel"},
         {130, 100, 150, 120, L"lo"},
         {200, 100, 260, 120, L"<&> \"q\""},
         {100, 200, 160, 220, std::wstring(L"ctl\0\x1f\xD800!", 7), L"F&\"x\""}},
        {},
        {{-2147483647 - 1, 0, 2147483647, 2147483647, L"\U0001F600"}},
    };
    for (long optimize : {0L, 1L}) {
        ASSERT_EQ(Put(L"optimize", optimize), S_OK);
        const std::wstring job = RenderJob(plugin_.Get(), pages);
        std::wstring reason;
        ASSERT_TRUE(reader.Load(job, &reason)) << optimize << ": " << Narrow(reason);
        EXPECT_EQ(reader.Texts(L"page").size(), 3u);
        const std::vector<std::wstring> texts = reader.Texts(L"text");
        ASSERT_EQ(texts.size(), optimize ? 4u : 5u) << Narrow(reader.failures_);
        // The reader trims the element's white space around the text.
        EXPECT_EQ(texts[0], optimize ? L"Hello" : L"Hel");
        EXPECT_NE(job.find(L"\t\t\t&lt;&amp;&gt; \"q\"\r\n"), std::wstring::npos);
        EXPECT_NE(job.find(L"ctl\uFFFD\uFFFD\uFFFD!"), std::wstring::npos);
        EXPECT_NE(job.find(L"Font=\"F&amp;&quot;x&quot;\""), std::wstring::npos);
        EXPECT_NE(job.find(L"Width=\"4294967295\""), std::wstring::npos);
    }
}

TEST_F(XmlPlugin, AnswersNullPointers) {
    EXPECT_EQ(plugin_->EndPage(nullptr), E_POINTER);
    EXPECT_EQ(plugin_->GetHeader(600, nullptr), E_POINTER);
    EXPECT_EQ(plugin_->GetFooter(nullptr), E_POINTER);
    ComBstr footer;
    EXPECT_EQ(plugin_->GetFooter(&footer), S_OK);
    EXPECT_STREQ(footer.Get(), L"</document>\r\n");
}

// The settings page embedded in a host, as the user interface shows it.
class XmlSettingsPage : public XmlPlugin {
protected:
    void SetUp() override {
        XmlPlugin::SetUp();
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 400, 100}), S_OK);
        ASSERT_EQ(host_.Advise(DIID__IQLX_RPlugin_Events, &sink_), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
    }
    void TearDown() override { host_.Close(); }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    std::wstring Selected() const {
        HWND combo = Item(kSpaceComboId);
        const LRESULT at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (at < 0)
            return L"<none>";
        std::wstring text(SendMessageW(combo, CB_GETLBTEXTLEN, at, 0) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(wcslen(text.c_str()));
        return text;
    }

    ControlHost host_{420, 120};
    RecordingSink sink_{DIID__IQLX_RPlugin_Events};
    HWND page_ = nullptr;
};

TEST_F(XmlSettingsPage, ShowsTheSpaceByValueAndReportsEveryChange) {
    ASSERT_TRUE(IsWindow(Item(kOptimizeBoxId)));
    ASSERT_EQ(SendMessageW(Item(kSpaceComboId), CB_GETCOUNT, 0, 0), 10);
    struct {
        long put;
        const wchar_t* shown;
        const wchar_t* stored;
    } rows[] = {{70, L"70", L"#70"}, {35, L"100", L"#35"}, {0, L"100", L"#100"}};
    for (const auto& row : rows) {
        ASSERT_EQ(Put(L"space", row.put, true), S_OK);
        host_.Pump();
        EXPECT_EQ(Selected(), row.shown) << row.put;
        EXPECT_EQ(Get(L"space"), row.stored) << row.put;
    }
    EXPECT_TRUE(sink_.events.empty());

    // The user picks "50": the value, not the entry's index, is stored and reported.
    SendMessageW(Item(kSpaceComboId), CB_SETCURSEL, 5, 0);
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(kSpaceComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(kSpaceComboId)));
    host_.RealClick(Item(kOptimizeBoxId));
    EXPECT_EQ(sink_.TakeChanges(L"XML"), (std::vector<std::wstring>{L"space=#50", L"optimize=#1"}));
    EXPECT_EQ(Get(L"space"), L"#50");
    EXPECT_EQ(SendMessageW(Item(kOptimizeBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);
}

} // namespace
