#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_window.h"
#include "tintkit.h"

namespace {

// A control of other code (as the user interface's plug-in host is): it records what the
// layout asks of it and answers a window of its choice.
class RecordingControl : public ICColorControl {
public:
    RecordingControl(std::vector<std::string>* journal, std::string name, HWND window,
                     bool createWorks = true)
        : journal_(journal), name_(std::move(name)), window_(window), createWorks_(createWorks) {}
    ~RecordingControl() override { journal_->push_back("delete " + name_); }

    bool Create(const wchar_t* text, const RECT& rect, HWND parent, int id, int flag) override {
        text_ = text;
        rect_ = rect;
        parent_ = parent;
        id_ = id;
        flag_ = flag;
        return createWorks_;
    }
    void SetMainHdc(HDC background) override { background_ = background; }
    void Show(bool visible) override { visible_ = visible; }
    void Enable(bool) override {}
    HWND GetSelectedWindow() const override { return window_; }

    std::wstring text_;
    RECT rect_{};
    HWND parent_ = nullptr;
    int id_ = 0, flag_ = -1;
    HDC background_ = nullptr;
    bool visible_ = true;

private:
    std::vector<std::string>* journal_;
    std::string name_;
    HWND window_;
    bool createWorks_;
};

bool Visible(ICColorControl* control) {
    return IsWindowVisible(control->GetSelectedWindow()) != FALSE;
}

TEST(ColorLayout, ShowsOnlyTheCurrentPage) {
    TestWindow window(400, 300);
    CColorLayout layout;
    auto* first = new CColorBox;
    auto* second = new CColorEdit;
    auto* other = new CColorCombo;
    ASSERT_TRUE(layout.Add(first, L"AutoSave", RECT{10, 10, 150, 30}, window.Hwnd(), 1207, 1, 0));
    ASSERT_TRUE(layout.Add(second, L"", RECT{10, 40, 150, 60}, window.Hwnd(), 1227, 1, 0));
    ASSERT_TRUE(layout.Add(other, L"Margins", RECT{10, 70, 150, 200}, window.Hwnd(), 1217, 0, 1));
    window.Pump();

    struct {
        const char* step;
        void (*run)(CColorLayout&);
        bool first, second, other;
    } steps[] = {
        {"nothing shows before the layout is shown", [](CColorLayout&) {}, false, false, false},
        {"page 0", [](CColorLayout& l) { l.ShowCurrentLayout(); }, true, true, false},
        {"page 1", [](CColorLayout& l) { l.SetCurrentPage(1), l.ShowCurrentLayout(); }, false,
         false, true},
        {"hidden", [](CColorLayout& l) { l.HideCurrentLayout(); }, false, false, false},
        {"page 1 again", [](CColorLayout& l) { l.ShowCurrentLayout(); }, false, false, true},
    };
    for (const auto& s : steps) {
        s.run(layout);
        window.Pump();
        EXPECT_EQ(Visible(first), s.first) << s.step;
        EXPECT_EQ(Visible(second), s.second) << s.step;
        EXPECT_EQ(Visible(other), s.other) << s.step;
    }

    // A control added to the page on show is shown at once; one of another page is not.
    auto* late = new CColorBox;
    auto* lateOther = new CColorBox;
    ASSERT_TRUE(layout.Add(late, L"late", RECT{200, 10, 300, 30}, window.Hwnd(), 1, 1, 1));
    ASSERT_TRUE(layout.Add(lateOther, L"other", RECT{200, 40, 300, 60}, window.Hwnd(), 2, 1, 0));
    EXPECT_TRUE(Visible(late));
    EXPECT_FALSE(Visible(lateOther));
}

TEST(ColorLayout, PlacesControlsOfOtherCodeAndOwnsThem) {
    TestWindow window(300, 200);
    std::vector<std::string> journal;
    HWND hosted = CreateWindowExW(0, L"STATIC", L"hosted", WS_CHILD, 0, 0, 10, 10, window.Hwnd(),
                                  nullptr, nullptr, nullptr);
    {
        CColorLayout layout;
        auto* host = new RecordingControl(&journal, "host", hosted);
        auto* empty = new RecordingControl(&journal, "empty host", nullptr);
        auto* broken = new RecordingControl(&journal, "broken", nullptr, false);
        auto* box = new CColorBox;
        ASSERT_TRUE(layout.Add(host, L"Transport Plug-ins", RECT{300, 180, 600, 450}, window.Hwnd(),
                               5000, 0));
        ASSERT_TRUE(
            layout.Add(empty, L"Format Plug-ins", RECT{1, 2, 3, 4}, window.Hwnd(), 6000, 0));
        EXPECT_FALSE(layout.Add(broken, L"x", RECT{}, window.Hwnd(), 1, 0))
            << "a failed Create is reported";
        ASSERT_TRUE(layout.Add(box, L"Print as image", RECT{5, 5, 90, 25}, window.Hwnd(), 1222, 1));
        EXPECT_FALSE(layout.Add(nullptr, L"", RECT{}, window.Hwnd(), 1, 0));

        // Create got the arguments as given.
        EXPECT_EQ(host->text_, L"Transport Plug-ins");
        EXPECT_EQ(host->rect_.left, 300);
        EXPECT_EQ(host->rect_.bottom, 450);
        EXPECT_EQ(host->parent_, window.Hwnd());
        EXPECT_EQ(host->id_, 5000);
        EXPECT_EQ(host->flag_, 0);
        EXPECT_FALSE(host->visible_) << "hidden until the layout is shown";

        // Windows find their controls; a host without a window is never found for "no window".
        EXPECT_EQ(layout.GetItem(hosted), host);
        EXPECT_EQ(layout.GetItem(box->Hwnd()), box);
        EXPECT_EQ(layout.GetItem(nullptr), nullptr);
        EXPECT_EQ(layout.GetItem(window.Hwnd()), nullptr);

        layout.ShowCurrentLayout();
        EXPECT_TRUE(host->visible_);
        EXPECT_TRUE(Visible(box));

        // The background reaches every control, also those placed after it was handed.
        HDC background = CreateCompatibleDC(nullptr);
        layout.SetMainDC(background);
        auto* later = new RecordingControl(&journal, "later", nullptr);
        layout.Add(later, L"", RECT{}, window.Hwnd(), 7, 0);
        EXPECT_EQ(host->background_, background);
        EXPECT_EQ(empty->background_, background);
        EXPECT_EQ(later->background_, background);
        DeleteDC(background);
        EXPECT_TRUE(journal.empty());
    }
    // Deleted in the reverse order of placing, the failed one included.
    EXPECT_EQ(journal, (std::vector<std::string>{"delete later", "delete broken",
                                                 "delete empty host", "delete host"}));
    DestroyWindow(hosted);
}

TEST(ColorLayout, ControlsOutliveTheirParentWindow) {
    // A page's controls may be deleted after the page window went: no window is touched twice.
    CColorLayout layout;
    auto* box = new CColorBox;
    {
        TestWindow window(200, 100);
        ASSERT_TRUE(layout.Add(box, L"x", RECT{0, 0, 50, 20}, window.Hwnd(), 1, 1));
        ASSERT_TRUE(IsWindow(box->Hwnd()));
    }
    EXPECT_EQ(box->Hwnd(), nullptr);
    layout.ShowCurrentLayout();
    EXPECT_EQ(layout.GetItem(nullptr), nullptr);
}

} // namespace
