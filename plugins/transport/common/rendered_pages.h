#pragma once
#include <windows.h>

#include <string>

#include "qlx_tplugin.h"

// The pages a Send covers, as collection indices from 0: every page of the job for a whole
// job, else the one page numbered from 1.
struct PageRange {
    long first = 0;
    long end = 0; // exclusive
    long Length() const { return end > first ? end - first : 0; }
};
// E_POINTER without a collection; the collection's failure when it cannot count its pages.
HRESULT GetPageRange(IRenderedCollection* pages, long wholeJob, long page, PageRange* range);

// The core's expansion of the macros in text (TranslateString) for that page number, with
// dates and times made safe for file names when translateFlag is non-zero.
HRESULT ExpandMacros(IRenderedCollection* pages, const std::wstring& text, long page,
                     long translateFlag, std::wstring* expanded);
// The same, adding the number of page macros replaced to *pageMacros (a name that holds one
// names a file per page).
HRESULT ExpandMacros(IRenderedCollection* pages, const std::wstring& text, long page,
                     long translateFlag, long* pageMacros, std::wstring* expanded);

// The progress of a loop over the pages of a range: after each page, the share of the pages
// before it, reported only when it grew.
class PageProgress {
public:
    // True with the value to report after page done (0-based within the range of total).
    bool Grew(long done, long total, long* value) noexcept;
    long Last() const { return last_; }

private:
    long last_ = 0;
};
