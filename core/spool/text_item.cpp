#include "text_item.h"

#include <new>
#include <wchar.h>

namespace {

// False only when out of memory; a null source gives a null copy.
bool CopyText(const wchar_t* source, std::unique_ptr<wchar_t[]>* copy) noexcept {
    if (!source)
        return true;
    size_t length = wcslen(source);
    copy->reset(new (std::nothrow) wchar_t[length + 1]);
    if (!*copy)
        return false;
    wmemcpy(copy->get(), source, length + 1);
    return true;
}

} // namespace

std::unique_ptr<TextItem> TextItem::Create(int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                           const wchar_t* text, const wchar_t* font) noexcept {
    std::unique_ptr<TextItem> item(new (std::nothrow) TextItem);
    if (!item)
        return nullptr;
    item->x0 = x0;
    item->y0 = y0;
    item->x1 = x1;
    item->y1 = y1;
    if (!CopyText(text, &item->text) || !CopyText(font, &item->font))
        return nullptr;
    return item;
}
