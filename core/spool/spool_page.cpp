#include "spool_page.h"

bool SpoolPage::AddItem(std::unique_ptr<TextItem> item) noexcept {
    if (!items_.Append(item.get()))
        return false;
    item.release();
    return true;
}

void SpoolPage::Clear() noexcept {
    for (unsigned i = 0; i < items_.Count(); ++i)
        delete items_.As<TextItem>(i);
    items_.Clear();
}
