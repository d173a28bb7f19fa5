#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "control_host.h"
#include "fixture_registration.h"
#include "format_plugin_fixture.h"
#include "plugin_ids.h"
#include "recording_sink.h"
#include "registration.h"
#include "rss_ids.h"
#include "rss_paths.h"

namespace {

class RssPlugin : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kRssClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQLX_RPLUGIN,
                                   plugin_.AsVoidOut()),
                  S_OK);
    }

    HRESULT Put(const wchar_t* name, long value, bool ui = false) {
        ComVariant v(value);
        return ui ? plugin_->PutParamUI(ComBstr(name), v) : plugin_->PutParam(ComBstr(name), v);
    }
    HRESULT Put(const wchar_t* name, const wchar_t* value, bool ui = false) {
        ComVariant v(value);
        return ui ? plugin_->PutParamUI(ComBstr(name), v) : plugin_->PutParam(ComBstr(name), v);
    }
    std::wstring Get(const wchar_t* name) {
        ComVariant value;
        const HRESULT hr = plugin_->GetParam(ComBstr(name), &value);
        if (FAILED(hr))
            return L"hr=" + std::to_wstring(hr);
        if (value.vt == VT_I4)
            return L"#" + std::to_wstring(value.lVal);
        return value.vt == VT_BSTR ? Text(value.bstrVal) : L"?";
    }

    OleScope ole_;
    PluginRegistration registration_{QLX_RSS_PLUGIN_DLL};
    ComPtr<IQLX_RPLUGIN> plugin_;
};

TEST_F(RssPlugin, IsRegisteredAsAFormatWithItsResources) {
    const std::wstring clsid = GuidText(kRssClsid);
    EXPECT_EQ(ClassesValue(L"Quorvane.QLX_RPlugin_RSS.6.0"), L"QLX_RPlugin_RSS Class");
    EXPECT_EQ(ClassesValue(L"Quorvane.QLX_RPlugin_RSS\\CLSID"), clsid);
    EXPECT_EQ(ClassesValue(L"CLSID\\" + clsid + L"\\Version"), L"5.4");
    EXPECT_EQ(ClassesInCategory(kFormatCategory).count(clsid), 1u);
    wchar_t name[64] = {};
    EXPECT_GT(LoadStringW(registration_.Library(), 100, name, 64), 0);
    EXPECT_STREQ(name, L"qlx_plugin_rss");
}

TEST_F(RssPlugin, KeepsItsParametersAndTheDocumentName) {
    struct {
        HRESULT (STDMETHODCALLTYPE IQLX_RPLUGIN::*get)(BSTR*);
        const wchar_t* expected;
    } rows[] = {
        {&IQLX_RPLUGIN::get_Name, L"RSS"},
        {&IQLX_RPLUGIN::get_Description, L"RSS-Atom"},
        {&IQLX_RPLUGIN::get_Extension, L"xml"},
        {&IQLX_RPLUGIN::get_Layout, L"Blink,Bdescription,Bauthor,Lbr,Latom"},
    };
    for (const auto& row : rows) {
        ComBstr value;
        EXPECT_EQ((plugin_.Get()->*row.get)(&value), S_OK);
        EXPECT_STREQ(value.Get(), row.expected);
    }
    const wchar_t* strings[] = {L"link", L"description", L"author"};
    for (const wchar_t* name : strings) {
        EXPECT_EQ(Get(name), L"") << Narrow(name);
        EXPECT_EQ(Put(name, name), S_OK);
        EXPECT_EQ(Get(name), name);
    }
    EXPECT_EQ(Put(L"br", 3), S_OK);
    EXPECT_EQ(Put(L"atom", 5), S_OK);
    EXPECT_EQ(Get(L"br"), L"#3");
    EXPECT_EQ(Get(L"atom"), L"#5");
    EXPECT_EQ(Put(L"docname", L"Report"), S_OK);
    EXPECT_EQ(Get(L"docname"), L"hr=" + std::to_wstring(E_FAIL));
    EXPECT_EQ(Get(L"Link"), L"hr=" + std::to_wstring(E_FAIL));
    EXPECT_EQ(plugin_->ResetParams(), S_OK);
    for (const wchar_t* name : strings)
        EXPECT_EQ(Get(name), L"") << Narrow(name);
    EXPECT_EQ(Get(L"br"), L"#0");
    EXPECT_EQ(Get(L"atom"), L"#0");
    // The document name stays.
    ComBstr header;
    ASSERT_EQ(plugin_->GetHeader(600, &header), S_OK);
    EXPECT_NE(Text(header.Get()).find(L"<title>Report</title>"), std::wstring::npos);
}

// The UTC date and time of the clock, as RFC 3339 writes it, to the minute.
std::wstring MinuteNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute);
    return text;
}

TEST_F(RssPlugin, WritesFeedsThatAnXmlReaderTakesWhateverTheValuesHold) {
    XmlReader reader;
    ASSERT_TRUE(reader.Available()) << "no MSXML in the prefix";
    ASSERT_EQ(Put(L"docname", L"R&D <draft>", true), S_OK);
    ASSERT_EQ(Put(L"link", L"http://h/?a=1&b=\"2\""), S_OK);
    ASSERT_EQ(Put(L"author", L"Ann & Bob <ab@c>"), S_OK);
    ASSERT_EQ(Put(L"description", L"Q\x01<A>"), S_OK);
    const std::vector<std::vector<PageItem>> pages = {
        {{100, 100, 150, 120, L"Tom & Jerry"}, {100, 200, 150, 220, L"<b>\xDC00"}},
        {},
        {{0, 0, 10, 10, L"third"}},
    };
    struct {
        long atom, br;
        const wchar_t* entry;
        size_t titles; // the feed's title and, in Atom, every entry's
    } rows[] = {{0, 0, L"item", 1}, {0, 1, L"item", 1}, {1, 0, L"entry", 4}, {1, 1, L"entry", 4}};
    for (const auto& row : rows) {
        ASSERT_EQ(Put(L"atom", row.atom), S_OK);
        ASSERT_EQ(Put(L"br", row.br), S_OK);
        const std::wstring before = MinuteNow();
        const std::wstring feed = RenderJob(plugin_.Get(), pages);
        const std::wstring after = MinuteNow();
        std::wstring reason;
        ASSERT_TRUE(reader.Load(feed, &reason))
            << row.atom << row.br << ": " << Narrow(reason) << "\n"
            << Narrow(feed);
        EXPECT_EQ(reader.Texts(row.entry).size(), 3u) << row.atom << row.br;
        const std::vector<std::wstring> titles = reader.Texts(L"title");
        ASSERT_EQ(titles.size(), row.titles);
        EXPECT_EQ(titles[0], L"R&D <draft>");
        if (row.atom) {
            EXPECT_EQ(titles[3], L"R&D <draft>, page 3");
            // Every date is the clock's, in UTC and the Gregorian calendar.
            const std::vector<std::wstring> dates = reader.Texts(L"updated");
            ASSERT_EQ(dates.size(), 4u);
            for (const std::wstring& date : dates) {
                EXPECT_EQ(date.size(), 20u) << Narrow(date);
                EXPECT_TRUE(date.compare(0, 16, before) == 0 || date.compare(0, 16, after) == 0)
                    << Narrow(date);
                EXPECT_EQ(date.back(), L'Z');
            }
        }
        const std::wstring body =
            reader.Texts(row.atom ? L"content" : L"description")[row.atom ? 0 : 1];
        EXPECT_NE(body.find(row.br ? L"Tom &amp; Jerry <BR>" : L"Tom & Jerry"), std::wstring::npos)
            << Narrow(body);
    }
}

class RssSettingsPage : public RssPlugin {
protected:
    void SetUp() override {
        RssPlugin::SetUp();
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 400, 100}), S_OK);
        ASSERT_EQ(host_.Advise(DIID__IQLX_RPlugin_Events, &sink_), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
    }
    void TearDown() override { host_.Close(); }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    std::wstring TextOf(int id) const {
        wchar_t text[128] = {};
        GetWindowTextW(Item(id), text, 128);
        return text;
    }
    RECT Place(int id) const {
        RECT rect{};
        GetWindowRect(Item(id), &rect);
        MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    ControlHost host_{420, 120};
    RecordingSink sink_{DIID__IQLX_RPlugin_Events};
    HWND page_ = nullptr;
};

TEST_F(RssSettingsPage, ShowsEveryParameterAndReportsEveryChange) {
    struct {
        int id;
        RECT place;
    } controls[] = {{kFormatComboId, {75, 5, 145, 0}},
                    {kAuthorEditId, {215, 5, 385, 25}},
                    {kLinkEditId, {75, 35, 325, 55}},
                    {kHtmlBoxId, {335, 37, 385, 55}},
                    {kDescriptionEditId, {75, 65, 385, 85}}};
    for (const auto& control : controls) {
        ASSERT_TRUE(IsWindow(Item(control.id))) << control.id;
        const RECT place = Place(control.id);
        EXPECT_EQ(place.left, control.place.left) << control.id;
        EXPECT_EQ(place.top, control.place.top) << control.id;
    }
    EXPECT_EQ(SendMessageW(Item(kFormatComboId), CB_GETCOUNT, 0, 0), 2);

    ASSERT_EQ(Put(L"atom", 5, true), S_OK);
    ASSERT_EQ(Put(L"link", L"http://x/", true), S_OK);
    ASSERT_EQ(Put(L"br", 1, true), S_OK);
    host_.Pump();
    EXPECT_EQ(SendMessageW(Item(kFormatComboId), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(TextOf(kLinkEditId), L"http://x/");
    EXPECT_EQ(SendMessageW(Item(kHtmlBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(sink_.events.empty());

    SendMessageW(Item(kFormatComboId), CB_SETCURSEL, 0, 0);
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(kFormatComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(kFormatComboId)));
    host_.RealClick(Item(kHtmlBoxId));
    SetWindowTextW(Item(kAuthorEditId), L"Ann");
    host_.Pump();
    EXPECT_EQ(sink_.TakeChanges(L"RSS"),
              (std::vector<std::wstring>{L"atom=#0", L"br=#0", L"author=Ann"}));
    EXPECT_EQ(Get(L"author"), L"Ann");
    EXPECT_EQ(Get(L"atom"), L"#0");
}

} // namespace
