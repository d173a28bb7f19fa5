#pragma once
#include "critical_section.h"
#include "format_plugin.h"
#include "xml_ids.h"
#include "xml_page.h"

struct XmlParams {
    long optimize = 0; // not 0: the items of each line merged into runs
    long space = 100;  // percent of the average character width: a gap that starts a new run
};

// The XML format plug-in: each page as an element holding its items' texts with their places,
// sizes and fonts (see xml_page.h), between the document's header and footer. The core calls
// StartPage, AddItem for each item and EndPage on its job thread; the page is kept between
// those calls.
class CRP_XMLObject : public CFormatPlugin<CRP_XMLObject, XmlParams> {
public:
    CRP_XMLObject();

protected:
    HRESULT OnStartPage(long page, long width, long height) override;
    HRESULT OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) override;
    HRESULT OnEndPage(BSTR* pageText) override;
    HRESULT OnGetHeader(long dpi, BSTR* header) override;
    HRESULT OnGetFooter(BSTR* footer) override;
    long ValueForPage(const ParamRow<XmlParams>& row, long value) const noexcept override;

private:
    CriticalSection pageLock_;
    XmlPage page_;
};
