#include "color_layout.h"

CColorLayout::~CColorLayout() {
    while (!items_.empty())
        items_.pop_back();
}

bool CColorLayout::Add(ICColorControl* control, const wchar_t* text, const RECT& rect, HWND parent,
                       int id, int flag, int page) {
    std::unique_ptr<ICColorControl> owned(control);
    if (!owned)
        return false;
    try {
        items_.reserve(items_.size() + 1);
    } catch (...) {
        return false;
    }
    bool created = owned->Create(text, rect, parent, id, flag);
    owned->Show(shown_ && page == page_);
    if (background_)
        owned->SetMainHdc(background_);
    items_.push_back({std::move(owned), page});
    return created;
}

ICColorControl* CColorLayout::GetItem(HWND window) const {
    if (!window)
        return nullptr;
    for (const Item& item : items_) {
        if (item.control->GetSelectedWindow() == window)
            return item.control.get();
    }
    return nullptr;
}

void CColorLayout::ShowCurrentLayout() {
    shown_ = true;
    for (Item& item : items_)
        item.control->Show(item.page == page_);
}

void CColorLayout::HideCurrentLayout() {
    shown_ = false;
    for (Item& item : items_)
        item.control->Show(false);
}

void CColorLayout::SetMainDC(HDC background) {
    background_ = background;
    for (Item& item : items_)
        item.control->SetMainHdc(background);
}
