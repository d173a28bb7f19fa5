#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "qlx_tplugin.h"

// The core's rendered pages as a transport sees them, for the plug-in's tests: the pages'
// bytes as Item gives them, the Unicode flag, and TranslateString for the few macros the tests
// use ("{{PAGE}}" and "{{PAGE(width)}}", counted in the page-macro count as the core counts
// them; "{{IDENTITY}}", one number per occurrence from a counter; "{{DOCNAME}}"; and the test's
// own "{{X}}", the page's entry of perPage). Every TranslateString and Item call is recorded.
// Lives on the stack: its reference count is only watched.
class FakePages final : public IRenderedCollection {
public:
    struct Translation {
        std::wstring input;
        long page;
        long flag;
        std::wstring output;
    };

    explicit FakePages(std::vector<std::string> pageBytes = {}) : pages(std::move(pageBytes)) {}

    std::vector<std::string> pages;
    long unicode = 0;
    std::wstring docName = L"Report";
    std::vector<std::wstring> perPage;
    long identity = 1;

    // Failures to play, by page index (-1: none).
    long failItemSizeAt = -1;
    long failItemAt = -1;
    long noDataAt = -1;    // Item gives an array with elements but no data
    long grownItemAt = -1; // Item gives one byte more than ItemSize said
    bool failCount = false;
    bool failTranslate = false;

    std::vector<Translation> translations;
    std::vector<long> items;
    LONG refs = 1;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs); }

    STDMETHODIMP Item(LONG index, VARIANT* value) override;
    STDMETHODIMP Count(LONG* count) override;
    STDMETHODIMP GetItem(LONG, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Unicode(LONG* value) override;
    STDMETHODIMP ItemSize(LONG index, LONG* size) override;
    STDMETHODIMP TranslateString(BSTR input, LONG page, LONG flag, LONG* pageMacros,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(LONG*) override { return E_NOTIMPL; }

    // The whole job's bytes as one PUT body carries them.
    std::string JobBytes() const;

private:
    bool InRange(LONG index) const { return index >= 0 && index < static_cast<LONG>(pages.size()); }
    std::wstring Expand(std::wstring text, long page, long* pageMacros);
};
