#include "rendered_pages.h"

#include "com_bstr.h"
#include "com_result.h"

HRESULT GetPageRange(IRenderedCollection* pages, long wholeJob, long page, PageRange* range) {
    RETURN_IF_NULL(pages);
    if (!wholeJob) {
        range->first = page - 1;
        range->end = page;
        return S_OK;
    }
    long count = 0;
    RETURN_IF_FAILED(pages->Count(&count));
    range->first = 0;
    range->end = count > 0 ? count : 0;
    return S_OK;
}

HRESULT ExpandMacros(IRenderedCollection* pages, const std::wstring& text, long page,
                     long translateFlag, std::wstring* expanded) {
    long pageMacros = 0;
    return ExpandMacros(pages, text, page, translateFlag, &pageMacros, expanded);
}

HRESULT ExpandMacros(IRenderedCollection* pages, const std::wstring& text, long page,
                     long translateFlag, long* pageMacros, std::wstring* expanded) {
    RETURN_IF_NULL(pages);
    ComBstr input(text.c_str(), static_cast<UINT>(text.size()));
    if (!input)
        return E_OUTOFMEMORY;
    ComBstr output;
    RETURN_IF_FAILED(pages->TranslateString(input, page, translateFlag, pageMacros, &output));
    expanded->assign(output.c_str(), output.Length());
    return S_OK;
}

bool PageProgress::Grew(long done, long total, long* value) noexcept {
    if (total <= 0)
        return false;
    const long share = static_cast<long>(100LL * done / total);
    if (share <= last_)
        return false;
    last_ = share;
    *value = share;
    return true;
}
