#pragma once
#include <string>

#include "critical_section.h"
#include "feed_writer.h"
#include "format_plugin.h"
#include "rss_ids.h"

struct RssParams {
    std::wstring link;        // of the channel or feed, and of every Atom entry
    std::wstring description; // channel description or feed subtitle
    std::wstring author;      // of every RSS item, or of the Atom feed
    long br = 0;              // not 0: the body is HTML with a break after every line
    long atom = 0;            // not 0: Atom, else RSS 2.0
};

// The RSS and Atom format plug-in: the document as a feed, each page one RSS item or Atom entry
// whose body is the page's text line by line (see feed_writer.h). The core calls StartPage,
// AddItem for each item and EndPage on its job thread; the page is kept between those calls.
class CRP_RSSObject : public CFormatPlugin<CRP_RSSObject, RssParams> {
public:
    CRP_RSSObject();

protected:
    HRESULT OnStartPage(long page, long width, long height) override;
    HRESULT OnAddItem(long x0, long y0, long x1, long y1, BSTR text, BSTR font) override;
    HRESULT OnEndPage(BSTR* pageText) override;
    HRESULT OnGetHeader(long dpi, BSTR* header) override;
    HRESULT OnGetFooter(BSTR* footer) override;

private:
    FeedSettings Settings() const;

    CriticalSection pageLock_;
    FeedPage page_;
};
