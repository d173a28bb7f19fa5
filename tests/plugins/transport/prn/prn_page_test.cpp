#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <prsht.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "control_host.h"
#include "fixture_registration.h"
#include "paper_printers.h"
#include "prn_ids.h"
#include "prn_test_env.h"
#include "prn_test_paths.h"
#include "temp_dir.h"

namespace {

class OleScope {
public:
    OleScope() { OleInitialize(nullptr); }
    ~OleScope() { OleUninitialize(); }
};

std::vector<std::wstring> Entries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(wcslen(text.c_str()));
        entries.push_back(text);
    }
    return entries;
}

std::wstring Selected(HWND combo) {
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return L"(none)";
    return Entries(combo).at(index);
}

bool Holds(const std::vector<std::wstring>& list, const std::wstring& text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

// The driver's modal dialog, once it shows: a window of this process other than the host's.
struct DialogSearch {
    HWND host;
    HWND found = nullptr;
};

BOOL CALLBACK FindDriverDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || window == search->host || !IsWindowVisible(window))
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (wcscmp(className, L"#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

// The settings page of the printer transport, created from its registered library as the user
// interface creates it, embedded in a host, with paper printers to list.
class PrnPage : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(paperA_.Result(), S_OK);
        ASSERT_EQ(paperB_.Result(), S_OK);
        ASSERT_TRUE(default_.Done());
        ASSERT_EQ(registration_.Result(), S_OK);
        ASSERT_EQ(CoCreateInstance(kPrnTransportClsid, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IQLX_TPLUGIN, plugin_.AsVoidOut()),
                  S_OK);
        ASSERT_EQ(host_.Embed(plugin_.Get(), RECT{0, 0, 300, 280}), S_OK);
        page_ = host_.ControlWindow();
        ASSERT_TRUE(IsWindow(page_));
        events_ = std::make_unique<EventLog>(plugin_.Get());
        // As the user interface's host does once it pushed the stored values.
        ASSERT_EQ(plugin_->UpdateUI(0), S_OK);
        host_.Pump();
    }
    void TearDown() override {
        events_.reset();
        host_.Close();
    }

    HWND Item(int id) const { return GetDlgItem(page_, id); }
    // A user's choice in a list: the entry selected and the list's notification to the page.
    void Choose(int id, const std::wstring& entry) {
        const std::vector<std::wstring> entries = Entries(Item(id));
        const auto at = std::find(entries.begin(), entries.end(), entry);
        ASSERT_NE(at, entries.end()) << Narrow(entry);
        SendMessageW(Item(id), CB_SETCURSEL, at - entries.begin(), 0);
        SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Item(id)));
        host_.Pump();
    }
    std::vector<std::wstring> TakeChanges() {
        std::vector<std::wstring> changes = events_->Changes();
        events_->Clear();
        return changes;
    }
    bool FontControlsEnabled() const {
        int enabled = 0;
        for (int id : {kCharsetListId, kWeightListId, kHeightListId, kStrikeoutBoxId,
                       kUnderlineBoxId, kItalicBoxId})
            enabled += IsWindowEnabled(Item(id)) ? 1 : 0;
        EXPECT_TRUE(enabled == 0 || enabled == 6) << "some font controls enabled, some not";
        return enabled == 6;
    }

    OleScope ole_;
    TempDir folder_;
    PaperPrinter paperA_{L"QLX Paper A", folder_.File(L"paper-a.ps")};
    PaperPrinter paperB_{L"QLX Paper B", folder_.File(L"paper-b.ps")};
    DefaultPrinterScope default_{paperA_.Name()};
    PluginRegistration registration_{QLX_XFER_PRN_DLL};
    ComPtr<IQLX_TPLUGIN> plugin_;
    ControlHost host_{320, 300};
    std::unique_ptr<EventLog> events_;
    HWND page_ = nullptr;
};

TEST_F(PrnPage, ListsThePrintersFontsWeightsAndHeights) {
    CLSID registered{};
    ASSERT_EQ(CLSIDFromProgID(L"Quorvane.QLX_TPlugin_Prn", &registered), S_OK);
    EXPECT_TRUE(IsEqualCLSID(registered, kPrnTransportClsid));

    const std::vector<std::wstring> printers = Entries(Item(kPrinterListId));
    ASSERT_FALSE(printers.empty());
    EXPECT_EQ(printers[0], L"Default (QLX Paper A)");
    EXPECT_TRUE(Holds(printers, paperA_.Name()) && Holds(printers, paperB_.Name()));
    EXPECT_EQ(Selected(Item(kPrinterListId)), L"Default (QLX Paper A)");

    const std::vector<std::wstring> fonts = Entries(Item(kFontListId));
    ASSERT_FALSE(fonts.empty());
    EXPECT_EQ(fonts[0], L"<<Default>>");
    EXPECT_TRUE(Holds(fonts, L"Courier"));
    EXPECT_EQ(Selected(Item(kFontListId)), L"<<Default>>");
    EXPECT_EQ(Entries(Item(kCharsetListId)), std::vector<std::wstring>{});
    EXPECT_FALSE(FontControlsEnabled()) << "the printer's own font has nothing to choose";

    EXPECT_EQ(
        Entries(Item(kWeightListId)),
        (std::vector<std::wstring>{L"Dontcare", L"Thin", L"Extralight", L"Light", L"Normal",
                                   L"Regular", L"Medium", L"Semibold", L"Bold", L"Extrabold"}));
    EXPECT_EQ(Selected(Item(kWeightListId)), L"Normal");
    const std::vector<std::wstring> heights = Entries(Item(kHeightListId));
    ASSERT_EQ(heights.size(), 19u);
    EXPECT_EQ(heights.front(), L"2");
    EXPECT_EQ(heights.back(), L"72");
    EXPECT_EQ(Selected(Item(kHeightListId)), L"10");
    EXPECT_FALSE(IsWindowEnabled(Item(kUseDefaultButtonId)));
    EXPECT_TRUE(IsWindowEnabled(Item(kSettingsButtonId)));
}

TEST_F(PrnPage, EachChoiceFiresItsValue) {
    Choose(kPrinterListId, paperB_.Name());
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"printer=QLX Paper B"});
    ASSERT_TRUE(Holds(Entries(Item(kFontListId)), L"Courier")) << "B's fonts were not listed";

    Choose(kFontListId, L"Courier");
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"font=Courier"});
    EXPECT_TRUE(FontControlsEnabled());
    const std::vector<std::wstring> charsets = Entries(Item(kCharsetListId));
    ASSERT_GE(charsets.size(), 2u);
    EXPECT_EQ(charsets[0], L"<<Default>>");
    EXPECT_EQ(charsets[1], L"Western");

    Choose(kCharsetListId, L"Western");
    Choose(kWeightListId, L"Bold");
    Choose(kHeightListId, L"18");
    host_.RealClick(Item(kItalicBoxId));
    host_.RealClick(Item(kStrikeoutBoxId));
    host_.RealClick(Item(kStrikeoutBoxId));
    EXPECT_EQ(TakeChanges(),
              (std::vector<std::wstring>{L"charset=#0", L"weight=#800", L"height=#18", L"italic=#1",
                                         L"strikeout=#1", L"strikeout=#0"}));
    EXPECT_EQ(SendMessageW(Item(kItalicBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);

    Choose(kFontListId, L"<<Default>>");
    Choose(kPrinterListId, L"Default (QLX Paper A)");
    EXPECT_EQ(TakeChanges(), (std::vector<std::wstring>{L"font=Default", L"printer=Default"}));
    EXPECT_FALSE(FontControlsEnabled());
    EXPECT_EQ(Param(plugin_, L"weight"), L"#800");
}

TEST_F(PrnPage, ValuesFromTheCoreSelectTheirEntriesWithoutFiring) {
    ASSERT_EQ(PutUI(plugin_, L"printer", ComVariant(L"QLX Paper B")), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"font", ComVariant(L"Courier")), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"weight", ComVariant(700L)), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"height", ComVariant(13L)), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"underline", ComVariant(1L)), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"settings", ByteArray({1, 2, 3})), S_OK);
    host_.Pump();
    EXPECT_EQ(Selected(Item(kPrinterListId)), L"QLX Paper B");
    EXPECT_EQ(Selected(Item(kFontListId)), L"Courier");
    EXPECT_TRUE(FontControlsEnabled());
    EXPECT_EQ(Selected(Item(kWeightListId)), L"Semibold") << "700 is the eighth weight";
    EXPECT_EQ(Selected(Item(kHeightListId)), L"2");
    EXPECT_EQ(SendMessageW(Item(kUnderlineBoxId), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(Item(kUseDefaultButtonId)));

    ASSERT_EQ(PutUI(plugin_, L"printer", ComVariant(L"Use the Default")), S_OK);
    EXPECT_EQ(Selected(Item(kPrinterListId)), L"Default (QLX Paper A)");
    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    host_.Pump();
    EXPECT_EQ(Selected(Item(kFontListId)), L"<<Default>>");
    EXPECT_EQ(Selected(Item(kWeightListId)), L"Normal");
    EXPECT_FALSE(IsWindowEnabled(Item(kUseDefaultButtonId)));
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});
}

// The core's notices come on other threads than the page's: the page's own thread fills it.
TEST_F(PrnPage, ValuesFromAnotherThreadShowOnThePage) {
    std::atomic<bool> done{false};
    HRESULT put = E_UNEXPECTED, reload = E_UNEXPECTED;
    std::thread other([&] {
        ComScope com;
        put = PutUI(plugin_, L"font", ComVariant(L"Courier"));
        reload = plugin_->UpdateUI(2);
        done = true;
    });
    for (int rounds = 0; !done && rounds < 3000; ++rounds) {
        host_.Pump();
        Sleep(10);
    }
    other.join();
    EXPECT_EQ(put, S_OK);
    EXPECT_EQ(reload, S_OK);
    EXPECT_EQ(Selected(Item(kFontListId)), L"Courier");
    EXPECT_TRUE(FontControlsEnabled());
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});
}

TEST_F(PrnPage, PrinterChangesReachTheList) {
    DefaultPrinterScope other(paperB_.Name());
    ASSERT_TRUE(other.Done());
    Choose(kPrinterListId, paperA_.Name());
    TakeChanges();
    ASSERT_EQ(plugin_->UpdateUI(1), S_OK);
    host_.Pump();
    EXPECT_EQ(Entries(Item(kPrinterListId)).at(0), L"Default (QLX Paper B)");
    EXPECT_EQ(Selected(Item(kPrinterListId)), paperA_.Name()) << "the selection moved";

    PaperPrinter later(L"QLX Paper Later", folder_.File(L"paper-later.ps"));
    ASSERT_EQ(later.Result(), S_OK);
    ASSERT_EQ(plugin_->UpdateUI(2), S_OK);
    host_.Pump();
    EXPECT_TRUE(Holds(Entries(Item(kPrinterListId)), later.Name()));
    EXPECT_EQ(Selected(Item(kPrinterListId)), paperA_.Name());
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{});
}

TEST_F(PrnPage, UseDefaultEmptiesTheSettingsAndDisablesItself) {
    ASSERT_EQ(PutUI(plugin_, L"settings", ByteArray({9, 8, 7})), S_OK);
    host_.Pump();
    ASSERT_TRUE(IsWindowEnabled(Item(kUseDefaultButtonId)));
    host_.RealClick(Item(kUseDefaultButtonId));
    EXPECT_EQ(TakeChanges(), std::vector<std::wstring>{L"settings=bytes:0"});
    EXPECT_EQ(Param(plugin_, L"settings"), L"bytes:0");
    EXPECT_FALSE(IsWindowEnabled(Item(kUseDefaultButtonId)));
}

// "Settings..." opens the driver's own dialog; OK there keeps what it gives back. Under Wine
// the PostScript driver shows a property sheet, closed here with its OK button.
TEST_F(PrnPage, SettingsKeepWhatTheDriversDialogGivesBack) {
    std::atomic<bool> sawDialog{false};
    std::thread closer([&] {
        for (int tries = 0; tries < 1000; ++tries) {
            DialogSearch search{host_.Hwnd()};
            EnumWindows(FindDriverDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found) {
                sawDialog = true;
                Sleep(200); // let it finish showing
                PostMessageW(search.found, PSM_PRESSBUTTON, PSBTN_OK, 0);
                return;
            }
            Sleep(20);
        }
    });
    host_.RealClick(Item(kSettingsButtonId));
    closer.join();
    host_.Pump();
    if (!sawDialog)
        GTEST_SKIP() << "the driver showed no dialog";
    const std::vector<std::wstring> changes = TakeChanges();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].rfind(L"settings=bytes:", 0), 0u) << Narrow(changes[0]);
    const std::vector<unsigned char> settings = ParamBytes(plugin_, L"settings");
    ASSERT_GE(settings.size(), sizeof(DEVMODEW));
    const auto* mode = reinterpret_cast<const DEVMODEW*>(settings.data());
    EXPECT_STREQ(mode->dmDeviceName, L"QLX Paper A") << "the default printer's own settings";
    EXPECT_TRUE(IsWindowEnabled(Item(kUseDefaultButtonId)));
}

TEST_F(PrnPage, ScreenshotForAPerson) {
    ASSERT_EQ(PutUI(plugin_, L"font", ComVariant(L"Courier")), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"weight", ComVariant(800L)), S_OK);
    ASSERT_EQ(PutUI(plugin_, L"italic", ComVariant(1L)), S_OK);
    host_.Pump();
    ASSERT_TRUE(host_.SaveScreenshot(L"prn_settings_page.bmp"));
    std::printf("screenshot: prn_settings_page.bmp in the test's build folder\n");
}

} // namespace
