#pragma once
#include "critical_section.h"
#include "format_plugin.h"
#include "layout_items.h"
#include "twl_ids.h"

struct TwlParams {
    long margins = 0;   // not 0: blank lines for the space above and below the text
    long usespaces = 0; // not 0: items whose text is blank are kept
};

// The text-with-layout format plug-in: each page as plain text in character rows, every item
// in the column its left edge falls on (see layout_items.h). The core calls StartPage, AddItem
// for each item and EndPage on its job thread; the page is kept between those calls.
class CRP_TWLObject : public CFormatPlugin<CRP_TWLObject, TwlParams> {
public:
    CRP_TWLObject();

protected:
    HRESULT OnStartPage(long page, long width, long height) override;
    HRESULT OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) override;
    HRESULT OnEndPage(BSTR* pageText) override;

private:
    CriticalSection pageLock_;
    LayoutItems layout_;
};
