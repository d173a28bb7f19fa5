#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gdi_object.h"
#include "param_table.h"
#include "window_control.h"

// The settings page of a plug-in: the control library's controls created at run time on the
// page's dialog, the background snapshot of the first paint handed to each of them, and the
// WM_COMMAND notifications of the controls that carry parameters. Controls are touched only
// while the page exists; a value shown from code never comes back as a change (the echo of a
// set edit text is swallowed), and a value shown from another thread is shown on the page's.
class PluginPage {
public:
    explicit PluginPage(RowList<PageControl> controls) noexcept : controls_(controls) {}
    virtual ~PluginPage();
    PluginPage(const PluginPage&) = delete;
    PluginPage& operator=(const PluginPage&) = delete;

    // Set once the page's dialog is initialised, for the object's life.
    bool PageExists() const noexcept { return exists_.load(std::memory_order_acquire); }
    HWND PageWindow() const noexcept { return PageExists() ? page_ : nullptr; }

    // The page's own messages, before the dialog's; true when handled, with its result.
    bool PageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT* result) noexcept;

protected:
    RowList<PageControl> Controls() const { return controls_; }
    // The control of that id, once the page exists; null otherwise.
    CColorWindowControl* Control(int id) const noexcept;

    // Show a value in the control of that id (nothing when there is no page or no such control):
    // an edit's text, a check box's state, a combo box's selection.
    void ShowText(int id, const std::wstring& text) noexcept;
    void ShowNumber(int id, long number) noexcept;
    // Runs work on the page's thread (at once when called there); nothing without a page. For a
    // plug-in that fills or enables its controls itself.
    void RunOnPage(const std::function<void()>& work) noexcept;
    // The whole text of an edit; the selected index of a combo box (CB_ERR without one), or the
    // value of the selected entry for a combo whose entries stand for values.
    std::wstring EditText(int id) const;
    long ComboSelection(int id) const noexcept;

    // The snapshot of the page's background that the controls draw from: made at the first
    // paint, gone with the page's window (null before and after).
    HDC BackgroundDc() const noexcept { return background_.Get(); }

    // A carried control changed by the user (EN_CHANGE, BN_CLICKED, CBN_SELCHANGE).
    virtual void OnControlChanged(int id, int code) noexcept = 0;
    // After the controls exist, before the page shows (a plug-in fills its own lists here).
    virtual void OnPageCreated() noexcept {}
    // A notification of a control that carries no parameter; true when handled.
    virtual bool OnPageCommand(int /*id*/, int /*code*/) noexcept { return false; }

private:
    struct Item {
        PageControlKind kind;
        int id;
        std::unique_ptr<CColorWindowControl> control;
        const long* values = nullptr; // a combo's entry values; null: entries are indexes
        size_t valueCount = 0;
    };
    struct ShowRequest {
        int id;
        const std::wstring* text;
        long number;
    };

    BOOL OnInitDialog(HWND page);
    void OnFirstPaint();
    void ReleaseBackground() noexcept;
    void Show(const ShowRequest& request) noexcept;
    void ShowHere(const ShowRequest& request) noexcept;
    void RunHere(const std::function<void()>& work) noexcept;
    const Item* Find(int id) const noexcept;
    static long EntryOf(const Item& item, long number) noexcept;

    RowList<PageControl> controls_;
    std::vector<Item> items_;
    HWND page_ = nullptr;
    std::atomic<bool> exists_{false};
    bool firstPaint_ = false;
    // Above zero while the page sets a control itself (page thread only).
    int quiet_ = 0;
    GdiObject<HBITMAP> backgroundBitmap_;
    MemoryDc background_;
};
