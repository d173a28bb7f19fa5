#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "qlx_tplugin.h"

// The core's collection of rendered pages as a transport sees it in Send, played by the test:
// the pages' bytes, the Unicode answer, a TranslateString that knows a few macros, failures on
// demand, and a record of what the transport asked for. It lives on the test's stack.
class FakePages final : public IRenderedCollection {
public:
    // What Item gives for a page.
    enum class Shape { kBytes, kEmpty, kNullArray, kTwoDimensions };
    struct Translation {
        std::wstring input;
        long page;
        long translateFlag;
    };

    // TranslateString replaces, in this order and wherever they stand, {{DOCNAME}}, {{EXT}} and
    // {{PAGE}} (the page in decimal, counted as a page macro); other macros stay.
    std::wstring docName = L"report";
    std::wstring extension = L"txt";

    std::vector<std::string> pages;
    long unicode = 0;
    long failItemFrom = -1; // Item fails for this index and every later one
    long badShapeAt = -1;   // Item gives badShape for this index
    Shape badShape = Shape::kEmpty;
    HRESULT countResult = S_OK;
    HRESULT translateResult = S_OK;

    std::vector<Translation> translations;
    std::vector<long> itemsAsked;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

    STDMETHODIMP Item(long index, VARIANT* value) override;
    STDMETHODIMP Count(long* count) override;
    STDMETHODIMP GetItem(long, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP Unicode(long* value) override;
    STDMETHODIMP ItemSize(long, long*) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateString(BSTR input, long page, long translateFlag, long* pageMacros,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(long*) override { return E_NOTIMPL; }

    // Whether any text given to TranslateString held this one.
    bool Translated(const std::wstring& part) const;
    LONG References() const { return refs_; }

private:
    LONG refs_ = 1;
};
