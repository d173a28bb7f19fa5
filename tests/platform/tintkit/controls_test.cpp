#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_window.h"
#include "tintkit.h"

namespace {

enum Id {
    kTitleId = -1,
    kEditId = 201,
    kPasswordId = 204,
    kBoxId = 205,
    kComboId = 1210,
    kListId = 1209,
    kButtonId = 1200,
    kCloseId = 2,
    kHelpId = 57670,
    kLinkId = 3000,
};

RECT Box(int left, int top, int right, int bottom) {
    return RECT{left, top, right, bottom};
}

// One control of each kind on a test page, created as a settings page creates them.
class ControlSet : public ::testing::Test {
protected:
    ControlSet() : window(640, 480) {
        HWND page = window.Hwnd();
        title.SetTextSize(20);
        created = title.Create(L"Tintkit controls", Box(210, 50, 600, 420), page, kTitleId, 1);
        created &= rule.Create(L"HR", Box(210, 80, 600, 81), page, -1, 0);
        created &= label.Create(L"URL", Box(210, 92, 300, 352), page, -1, 1);
        created &= edit.Create(L"", Box(210, 110, 490, 130), page, kEditId, 1);
        password.Init(ES_PASSWORD);
        created &= password.Create(L"", Box(210, 140, 490, 160), page, kPasswordId, 1);
        created &= box.Create(L"PUT method", Box(210, 170, 400, 190), page, kBoxId, 1);
        created &= combo.Create(L"TextFormat", Box(210, 200, 400, 330), page, kComboId, 0);
        created &= list.Create(L"CheckListBox", Box(210, 235, 330, 330), page, kListId, 0);
        created &= button.Create(L"Save Personal", Box(350, 300, 470, 324), page, kButtonId, 1);
        created &= picture.Create(L"DocImage", Box(500, 110, 600, 220), page, -1, 1);
        created &= close.Create(L"", Box(614, 5, 635, 26), page, kCloseId, 1);
        created &= help.Create(L"", Box(591, 5, 612, 26), page, kHelpId, 1);
        created &= link.Create(L"Text Formatting", Box(30, 110, 0, 0), page, kLinkId, 1);
        picture.Init(kPagePicture);
        close.SetSysTypeButton(CColorSysButton::kClose);
        help.SetSysTypeButton(CColorSysButton::kHelp);
        for (const wchar_t* name : {L"XML", L"RSS", L"Text with layout"})
            combo.AddString(name);
        for (const wchar_t* name : {L"Clipboard", L"File", L"Mail"})
            list.AddString(name);
        list.EndInsertItems();
        for (ICColorControl* c : std::initializer_list<ICColorControl*>{
                 &title, &rule, &label, &edit, &password, &box, &combo, &list, &button, &picture,
                 &close, &help, &link})
            window.TakesBackground(c);
        window.Pump();
        window.notifications.clear();
    }

    HWND Focus(ICColorControl& control) {
        SetFocus(control.GetSelectedWindow());
        window.Pump();
        return GetFocus();
    }

    std::wstring EditText(const CColorEdit& e) {
        std::wstring text;
        EXPECT_TRUE(e.GetWindowTextW(text));
        return text;
    }

    TestWindow window;
    bool created = false;
    CColorText title, label;
    CColorLine rule;
    CColorEdit edit, password;
    CColorBox box;
    CColorCombo combo;
    CColorCheckListBox list;
    CMColorButton button;
    CColorImage picture;
    CColorSysButton close, help;
    CColorHyperLink link;
};

TEST_F(ControlSet, CreationMakesChildWindowsWithTheirIds) {
    ASSERT_TRUE(created);
    struct {
        const char* name;
        ICColorControl* control;
        int id;
        const wchar_t* className;
    } rows[] = {{"title", &title, -1, L"Static"},
                {"edit", &edit, kEditId, L"Edit"},
                {"password", &password, kPasswordId, L"Edit"},
                {"box", &box, kBoxId, L"Button"},
                {"combo", &combo, kComboId, L"ComboBox"},
                {"list", &list, kListId, L"ListBox"},
                {"button", &button, kButtonId, L"Button"},
                {"close", &close, kCloseId, L"Button"},
                {"help", &help, kHelpId, L"Button"},
                {"link", &link, kLinkId, L"Static"}};
    for (const auto& row : rows) {
        HWND control = row.control->GetSelectedWindow();
        ASSERT_TRUE(IsWindow(control)) << row.name;
        EXPECT_EQ(GetParent(control), window.Hwnd()) << row.name;
        EXPECT_EQ(GetDlgCtrlID(control), row.id) << row.name;
        EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & WS_CHILD, WS_CHILD) << row.name;
        wchar_t className[32] = L"";
        GetClassNameW(control, className, 32);
        EXPECT_EQ(_wcsicmp(className, row.className), 0) << row.name;
    }
    EXPECT_EQ(GetWindowLongW(password.Hwnd(), GWL_STYLE) & ES_PASSWORD, ES_PASSWORD);
    // A second Create, or one without a parent, makes no window.
    EXPECT_FALSE(edit.Create(L"", Box(0, 0, 10, 10), window.Hwnd(), 999, 1));
    CColorEdit orphan;
    EXPECT_FALSE(orphan.Create(L"", Box(0, 0, 10, 10), nullptr, 998, 1));
    EXPECT_EQ(orphan.GetSelectedWindow(), nullptr);
}

TEST_F(ControlSet, EveryKeystrokeInAnEditSendsOneChange) {
    ASSERT_EQ(Focus(edit), edit.Hwnd());
    const std::wstring typed = L"http://x";
    for (size_t i = 0; i < typed.size(); ++i) {
        window.Type(typed.substr(i, 1));
        EXPECT_EQ(window.Count(kEditId, EN_CHANGE), static_cast<int>(i + 1)) << "after " << i;
        EXPECT_EQ(EditText(edit), typed.substr(0, i + 1));
    }
    window.Type(L"\b");
    EXPECT_EQ(window.Count(kEditId, EN_CHANGE), static_cast<int>(typed.size() + 1));
    EXPECT_EQ(EditText(edit), L"http://");
    EXPECT_EQ(window.Count(kPasswordId, EN_CHANGE), 0);
    for (const auto& note : window.notifications)
        EXPECT_EQ(note.from, edit.Hwnd());

    // A password edit hides what it shows, not what it holds.
    ASSERT_EQ(Focus(password), password.Hwnd());
    window.Type(L"s3cret");
    EXPECT_EQ(window.Count(kPasswordId, EN_CHANGE), 6);
    EXPECT_EQ(EditText(password), L"s3cret");
}

TEST_F(ControlSet, EditTextIsSetAndReadAsWholeStrings) {
    const std::wstring long_text(5000, L'w');
    for (const std::wstring& text : {std::wstring(L"user name"), std::wstring(), long_text}) {
        ASSERT_TRUE(edit.SetWindowTextW(text.c_str()));
        EXPECT_EQ(EditText(edit), text) << "length " << text.size();
    }
    EXPECT_TRUE(edit.SetWindowTextW(nullptr));
    EXPECT_EQ(EditText(edit), L"");

    CColorEdit unmade;
    std::wstring text = L"stale";
    EXPECT_FALSE(unmade.SetWindowTextW(L"x"));
    EXPECT_FALSE(unmade.GetWindowTextW(text));
    EXPECT_EQ(text, L"");
    EXPECT_TRUE(unmade.SetMultiline(true));
    EXPECT_FALSE(edit.SetMultiline(true)) << "an existing edit cannot become multi-line";
}

TEST_F(ControlSet, MultilineEditKeepsLineBreaks) {
    CColorEdit notes;
    ASSERT_TRUE(notes.SetMultiline(true));
    ASSERT_TRUE(notes.Create(L"", Box(10, 400, 200, 460), window.Hwnd(), 300, 1));
    EXPECT_TRUE(GetWindowLongW(notes.Hwnd(), GWL_STYLE) & ES_MULTILINE);
    ASSERT_TRUE(notes.SetWindowTextW(L"one\r\ntwo"));
    std::wstring text;
    ASSERT_TRUE(notes.GetWindowTextW(text));
    EXPECT_EQ(text, L"one\r\ntwo");
}

TEST_F(ControlSet, CheckBoxClickNotifiesAndToggles) {
    ASSERT_EQ(box.GetCheck(), BST_UNCHECKED);
    window.PostClick(box.Hwnd());
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 1);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    window.PostClick(box.Hwnd());
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 2);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);

    // The space bar is a click too.
    ASSERT_EQ(Focus(box), box.Hwnd());
    window.PressKey(VK_SPACE);
    window.Type(L" ");
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 3);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);

    // Setting the state from code notifies nobody.
    box.SetCheck(BST_UNCHECKED);
    window.Pump();
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 3);
}

TEST_F(ControlSet, ComboOperationsFollowTheSystemComboAndStayQuiet) {
    struct Step {
        const char* what;
        int (*run)(CColorCombo&);
        int expected, selection;
    } steps[] = {
        {"exact find ignores case", [](CColorCombo& c) { return c.FindStringExact(-1, L"rss"); }, 1,
         CB_ERR},
        {"exact find wants the whole text",
         [](CColorCombo& c) { return c.FindStringExact(-1, L"Text"); }, CB_ERR, CB_ERR},
        {"exact find wraps after start",
         [](CColorCombo& c) { return c.FindStringExact(1, L"XML"); }, 0, CB_ERR},
        {"set selection", [](CColorCombo& c) { return c.SetCurSel(1); }, 1, 1},
        {"select by prefix", [](CColorCombo& c) { return c.SelectString(-1, L"text"); }, 2, 2},
        {"select missing keeps selection",
         [](CColorCombo& c) { return c.SelectString(-1, L"Nothing"); }, CB_ERR, 2},
        {"insert before", [](CColorCombo& c) { return c.InsertString(0, L"Alpha"); }, 0, 3},
        {"delete returns the count left", [](CColorCombo& c) { return c.DeleteString(0); }, 3, 2},
        {"delete out of range", [](CColorCombo& c) { return c.DeleteString(10); }, CB_ERR, 2},
        {"select none", [](CColorCombo& c) { return c.SetCurSel(-1); }, CB_ERR, CB_ERR},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.run(combo), step.expected) << step.what;
        EXPECT_EQ(combo.GetCurSel(), step.selection) << step.what;
    }
    combo.ResetContent();
    EXPECT_EQ(combo.FindStringExact(-1, L"XML"), CB_ERR);
    window.Pump();
    EXPECT_EQ(window.Count(kComboId, CBN_SELCHANGE), 0) << "operations from code notify nobody";

    CColorCombo unmade;
    EXPECT_EQ(unmade.AddString(L"x"), CB_ERR);
    EXPECT_EQ(unmade.GetCurSel(), CB_ERR);
}

TEST_F(ControlSet, UserSelectionInTheComboNotifies) {
    combo.SetCurSel(0);
    ASSERT_EQ(Focus(combo), combo.Hwnd());
    window.PressKey(VK_DOWN);
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(window.Count(kComboId, CBN_SELCHANGE), 1);
    window.PressKey(VK_DOWN);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(window.Count(kComboId, CBN_SELCHANGE), 2);
}

TEST_F(ControlSet, TabMovesFocusThroughTheControlsInCreationOrder) {
    const HWND order[] = {edit.Hwnd(), password.Hwnd(), box.Hwnd(), combo.Hwnd(),
                          list.Hwnd(), button.Hwnd(),   edit.Hwnd()};
    ASSERT_EQ(Focus(edit), edit.Hwnd());
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
        window.PressKey(VK_TAB);
        EXPECT_EQ(GetFocus(), order[i]) << "tab " << i;
    }
    // Controls report their focus; nothing reports a change.
    for (const auto& note : window.notifications) {
        EXPECT_NE(note.code, BN_CLICKED) << note.id;
        EXPECT_NE(note.code, CBN_SELCHANGE) << note.id;
        EXPECT_NE(note.code, CColorCheckListBox::kCheckChange) << note.id;
        EXPECT_NE(note.code, EN_CHANGE) << note.id;
    }
}

TEST_F(ControlSet, DisabledControlTakesNoInput) {
    box.Enable(false);
    window.Pump();
    EXPECT_FALSE(IsWindowEnabled(box.Hwnd()));

    // Tab passes it by.
    ASSERT_EQ(Focus(password), password.Hwnd());
    window.PressKey(VK_TAB);
    EXPECT_EQ(GetFocus(), combo.Hwnd());

    // A real click does nothing while disabled and toggles once enabled again.
    window.RealClick(box.Hwnd());
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 0);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    box.Enable(true);
    window.RealClick(box.Hwnd());
    EXPECT_EQ(window.Count(kBoxId, BN_CLICKED), 1);
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
}

TEST_F(ControlSet, CheckListMarksAndSelectsSeparately) {
    ASSERT_EQ(list.GetCount(), 3);
    struct {
        const wchar_t* name;
        int start, expected;
    } finds[] = {{L"File", -1, 1},     {L"Mail", -1, 2},     {L"mail", -1, LB_ERR},
                 {L"Mai", -1, LB_ERR}, {L"Clipboard", 0, 0}, {L"", -1, LB_ERR}};
    for (const auto& f : finds)
        EXPECT_EQ(list.FindString(f.start, f.name), f.expected) << "FindString " << f.start;

    EXPECT_TRUE(list.SetCheck(2, true));
    EXPECT_TRUE(list.GetCheck(2));
    EXPECT_FALSE(list.GetCheck(0));
    EXPECT_FALSE(list.SetCheck(7, true));
    window.Pump();
    EXPECT_EQ(window.notifications.size(), 0u) << "marks set from code notify nobody";

    // A click on the text selects; a click on the mark toggles it as well.
    RECT item;
    SendMessageW(list.Hwnd(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    window.PostClick(list.Hwnd(), item.right - 10, (item.top + item.bottom) / 2);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(window.Count(kListId, LBN_SELCHANGE), 1);
    EXPECT_EQ(window.Count(kListId, CColorCheckListBox::kCheckChange), 0);
    EXPECT_FALSE(list.GetCheck(1));
    window.PostClick(list.Hwnd(), item.left + 6, (item.top + item.bottom) / 2);
    EXPECT_EQ(window.Count(kListId, CColorCheckListBox::kCheckChange), 1);
    EXPECT_TRUE(list.GetCheck(1));

    // A double click on the text must not pass for a mark change (LBN_DBLCLK has its code).
    const LPARAM onText = MAKELPARAM(item.right - 10, (item.top + item.bottom) / 2);
    PostMessageW(list.Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, onText);
    PostMessageW(list.Hwnd(), WM_LBUTTONUP, 0, onText);
    window.Pump();
    EXPECT_EQ(window.Count(kListId, CColorCheckListBox::kCheckChange), 1);
    EXPECT_TRUE(list.GetCheck(1));

    // The space bar toggles the selected entry.
    ASSERT_EQ(Focus(list), list.Hwnd());
    window.Type(L" ");
    EXPECT_EQ(window.Count(kListId, CColorCheckListBox::kCheckChange), 2);
    EXPECT_FALSE(list.GetCheck(1));
    EXPECT_TRUE(list.GetCheck(2));

    std::wstring text;
    EXPECT_TRUE(list.GetText(2, text));
    EXPECT_EQ(text, L"Mail");
    EXPECT_FALSE(list.GetText(3, text));
}

TEST_F(ControlSet, ButtonsAndLinksSendClicks) {
    struct {
        const char* name;
        HWND window;
        int id;
    } rows[] = {{"button", button.Hwnd(), kButtonId},
                {"close", close.Hwnd(), kCloseId},
                {"help", help.Hwnd(), kHelpId},
                {"link", link.Hwnd(), kLinkId}};
    for (const auto& row : rows) {
        window.notifications.clear();
        window.PostClick(row.window);
        EXPECT_EQ(window.Count(row.id, BN_CLICKED), 1) << row.name;
        // A quick second click is a click, not a double click.
        PostMessageW(row.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(row.window, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        window.Pump();
        EXPECT_EQ(window.Count(row.id, BN_DOUBLECLICKED), 0) << row.name;
    }
    ASSERT_EQ(Focus(button), button.Hwnd());
    window.notifications.clear();
    window.PressKey(VK_SPACE);
    EXPECT_EQ(window.Count(kButtonId, BN_CLICKED), 1) << "the space bar";

    link.SetVisited();
    EXPECT_TRUE(link.IsVisited());
    link.SetNormal();
    EXPECT_FALSE(link.IsVisited());
}

TEST_F(ControlSet, LabelsAndLinksTakeOnlyTheRoomOfTheirText) {
    // A settings page gives labels rectangles far taller than the text; the window must not
    // cover the controls below.
    RECT area;
    GetWindowRect(label.Hwnd(), &area);
    EXPECT_EQ(area.right - area.left, 90);
    EXPECT_GT(area.bottom - area.top, 5);
    EXPECT_LT(area.bottom - area.top, 30);
    GetWindowRect(title.Hwnd(), &area);
    EXPECT_GE(area.bottom - area.top, 20) << "the title keeps its larger text";
    EXPECT_LT(area.bottom - area.top, 40);
    SetWindowTextW(label.Hwnd(), L"A label whose text now wraps onto more than one line");
    GetWindowRect(label.Hwnd(), &area);
    EXPECT_GT(area.bottom - area.top, 30);

    GetWindowRect(link.Hwnd(), &area);
    EXPECT_GT(area.right - area.left, 30);
    EXPECT_GT(area.bottom - area.top, 5);
}

TEST_F(ControlSet, TransparentPartsComeFromTheBackground) {
    // The page's background is a vertical gradient: the page's own pixel at its left edge is
    // what a transparent part of a control on the same row must show.
    auto corner = [](HWND control, int dx, int dy) {
        RECT client;
        GetClientRect(control, &client);
        return POINT{dx < 0 ? client.right + dx : dx, dy < 0 ? client.bottom + dy : dy};
    };
    struct {
        const char* name;
        HWND control;
        POINT at; // in the control's client area, where no text or picture is drawn
    } rows[] = {{"label", label.Hwnd(), corner(label.Hwnd(), -2, -2)},
                {"title", title.Hwnd(), corner(title.Hwnd(), -2, 1)},
                {"check box", box.Hwnd(), corner(box.Hwnd(), -2, -2)},
                {"picture", picture.Hwnd(), corner(picture.Hwnd(), 1, 1)},
                {"button corner", button.Hwnd(), corner(button.Hwnd(), 0, 0)},
                {"link", link.Hwnd(), corner(link.Hwnd(), -1, 0)}};
    HDC page = GetDC(window.Hwnd());
    for (const auto& row : rows) {
        HDC dc = GetDC(row.control);
        COLORREF shown = GetPixel(dc, row.at.x, row.at.y);
        ReleaseDC(row.control, dc);
        POINT at = row.at;
        MapWindowPoints(row.control, window.Hwnd(), &at, 1);
        EXPECT_EQ(shown, GetPixel(page, 2, at.y)) << row.name;
    }
    ReleaseDC(window.Hwnd(), page);
}

TEST_F(ControlSet, ScreenshotForAPerson) {
    window.PostClick(box.Hwnd()); // checked by a click, so its partial repaint shows too
    list.SetCheck(1, true);
    list.SetCurSel(2);
    combo.SetCurSel(2);
    edit.SetWindowTextW(L"http://example.invalid/upload");
    password.SetWindowTextW(L"secret");
    link.SetVisited();
    CMColorButton disabled;
    ASSERT_TRUE(disabled.Create(L"Advanced", Box(480, 300, 600, 324), window.Hwnd(), 1214, 1));
    disabled.Enable(false);
    CColorHyperLink other;
    ASSERT_TRUE(other.Create(L"Output To", Box(30, 144, 0, 0), window.Hwnd(), 3002, 1));
    SetFocus(edit.Hwnd());
    window.Pump();
    ASSERT_TRUE(window.SaveScreenshot(L"tintkit_controls.bmp"));
    std::printf("screenshot: tintkit_controls.bmp in the test's build folder\n");
}

} // namespace

namespace {

// A plug-in's settings page is an empty dialog whose controls are made at run time.
struct DialogPage {
    std::vector<std::pair<int, int>> commands; // id, code

    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            return TRUE;
        }
        auto* self = reinterpret_cast<DialogPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (message == WM_COMMAND && self && lParam) {
            self->commands.push_back({LOWORD(wParam), HIWORD(wParam)});
            return TRUE;
        }
        return FALSE;
    }
    int Count(int id, int code) const {
        int n = 0;
        for (const auto& c : commands)
            n += c.first == id && c.second == code;
        return n;
    }
};

void PumpDialog(HWND dialog) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace

TEST(DialogPage, ControlsOnADialogNotifyItsProcedure) {
    // An empty template: no items, no menu, no class, no title.
    alignas(4) WORD storage[16] = {};
    auto* form = reinterpret_cast<DLGTEMPLATE*>(storage);
    form->style = WS_POPUP | WS_VISIBLE;
    form->dwExtendedStyle = WS_EX_CONTROLPARENT;
    form->cx = 200;
    form->cy = 100;
    DialogPage page;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), form, nullptr,
                                             DialogPage::Proc, reinterpret_cast<LPARAM>(&page));
    ASSERT_NE(dialog, nullptr);
    {
        CColorEdit url;
        CColorBox put;
        ASSERT_TRUE(url.Create(L"", Box(5, 25, 285, 45), dialog, 201, 1));
        ASSERT_TRUE(put.Create(L"PUT method", Box(5, 55, 135, 75), dialog, 205, 1));
        SetForegroundWindow(dialog);
        SetFocus(url.Hwnd());
        PumpDialog(dialog);
        page.commands.clear();

        PostMessageW(url.Hwnd(), WM_CHAR, L'h', 1);
        PumpDialog(dialog);
        EXPECT_EQ(page.Count(201, EN_CHANGE), 1);
        PostMessageW(url.Hwnd(), WM_KEYDOWN, VK_TAB, 1);
        PumpDialog(dialog);
        EXPECT_EQ(GetFocus(), put.Hwnd());
        PostMessageW(put.Hwnd(), WM_KEYDOWN, VK_SPACE, 1);
        PostMessageW(put.Hwnd(), WM_KEYUP, VK_SPACE, 0xC0000001);
        PumpDialog(dialog);
        EXPECT_EQ(page.Count(205, BN_CLICKED), 1);
        EXPECT_EQ(put.GetCheck(), BST_CHECKED);
    }
    // The controls went first; the page still works and ends cleanly.
    PumpDialog(dialog);
    EXPECT_TRUE(DestroyWindow(dialog));
}
