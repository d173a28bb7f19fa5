#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "color_control.h"

// Pages of controls over one parent window. The layout owns what it places and deletes it, in
// the reverse order of placing, when it goes. Nothing is shown until ShowCurrentLayout.
class CColorLayout {
public:
    CColorLayout() = default;
    ~CColorLayout();
    CColorLayout(const CColorLayout&) = delete;
    CColorLayout& operator=(const CColorLayout&) = delete;

    // Takes control (even when its creation fails, so that nothing leaks), creates it with the
    // given arguments and puts it on the page. False when control is null or its Create failed.
    bool Add(ICColorControl* control, const wchar_t* text, const RECT& rect, HWND parent, int id,
             int flag, int page = 0);
    // The placed control whose window is window; null for a null window or none.
    ICColorControl* GetItem(HWND window) const;
    // Page 0 until changed; takes effect at the next ShowCurrentLayout.
    void SetCurrentPage(int page) { page_ = page; }
    int CurrentPage() const { return page_; }
    // Shows the current page's controls and hides all others.
    void ShowCurrentLayout();
    void HideCurrentLayout();
    // Hands the background to every control placed, and to those placed later.
    void SetMainDC(HDC background);

private:
    struct Item {
        std::unique_ptr<ICColorControl> control;
        int page;
    };
    std::vector<Item> items_;
    int page_ = 0;
    bool shown_ = false;
    HDC background_ = nullptr;
};
