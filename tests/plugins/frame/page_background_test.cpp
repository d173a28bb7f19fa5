#include <gtest/gtest.h>

#include <windows.h>

#include "plugin_page.h"

namespace {

const PageControl kControls[] = {
    {PageControlKind::kLabel, L"Label", -1, {5, 5, 75, 25}, nullptr},
    {PageControlKind::kCheckBox, L"Box", 301, {5, 30, 120, 50}, nullptr},
};

// A settings page alone, on a dialog of its own: the window machinery of a plug-in without COM.
class TestPage final : public PluginPage {
public:
    TestPage() : PluginPage(Rows(kControls)) {}
    using PluginPage::BackgroundDc;

    // A visible page dialog of 200 by 80 dialog units, painted once.
    HWND Open() {
        struct {
            DLGTEMPLATE dialog;
            WORD menu, windowClass, title;
        } form{};
        form.dialog.style = WS_POPUP | WS_VISIBLE;
        form.dialog.cx = 200;
        form.dialog.cy = 80;
        HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &form.dialog, nullptr,
                                                 &Proc, reinterpret_cast<LPARAM>(this));
        if (window)
            UpdateWindow(window);
        return window;
    }

protected:
    void OnControlChanged(int, int) noexcept override {}

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* page = reinterpret_cast<TestPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
        LRESULT result = 0;
        if (!page || !page->PageMessage(dialog, message, wParam, lParam, &result))
            return FALSE;
        if (message == WM_INITDIALOG)
            return result;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
};

// A host may destroy a page's window and make it again for the same object: each window gets a
// background of its own, and the old one's DC and bitmap are gone with the old window.
TEST(PageBackground, GoesWithItsWindowAndIsMadeAgainForTheNext) {
    TestPage page;
    HWND first = page.Open();
    ASSERT_TRUE(first);
    HDC dc = page.BackgroundDc();
    ASSERT_TRUE(dc);
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    ASSERT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));

    DestroyWindow(first);
    EXPECT_EQ(page.BackgroundDc(), nullptr);
    EXPECT_EQ(GetObjectType(dc), 0u) << "the old memory DC is left";
    EXPECT_EQ(GetObjectType(bitmap), 0u) << "the old background bitmap is left";

    HWND second = page.Open();
    ASSERT_TRUE(second);
    HDC again = page.BackgroundDc();
    ASSERT_TRUE(again);
    HGDIOBJ secondBitmap = GetCurrentObject(again, OBJ_BITMAP);
    EXPECT_EQ(GetObjectType(secondBitmap), static_cast<DWORD>(OBJ_BITMAP));
    BITMAP size{};
    ASSERT_TRUE(GetObjectW(secondBitmap, sizeof(size), &size));
    RECT client{};
    GetClientRect(second, &client);
    EXPECT_EQ(size.bmWidth, client.right);
    EXPECT_EQ(size.bmHeight, client.bottom);
    DestroyWindow(second);
    EXPECT_EQ(page.BackgroundDc(), nullptr);
}

} // namespace
