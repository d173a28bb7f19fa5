#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "qlx_tplugin.h"

// The core's rendered pages as a transport sees them, for tests: the pages it is given, its
// answers and a failure at a chosen call, and a record of what was asked. Item converts a
// page as the core does (charset 5: UTF-16LE; any other value: that code page), without line-end
// or page-break changes. TranslateString expands {{DOCNAME}}, {{EXT}} and {{PAGE}} (the page
// number when it is 1 or more, else nothing; each one counted in the page flag). The object
// lives as long as its holder; its reference count is only checked.
class FakeRenderedCollection final : public IRenderedCollection {
public:
    explicit FakeRenderedCollection(std::vector<std::wstring> pages = {})
        : pages(std::move(pages)) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs); }

    // IRenderedCollection
    STDMETHODIMP Item(long index, VARIANT* value) override;
    STDMETHODIMP Count(long* count) override;
    STDMETHODIMP GetItem(long index, BSTR* text) override;
    STDMETHODIMP Unicode(long* unicode) override;
    STDMETHODIMP ItemSize(long index, long* size) override;
    STDMETHODIMP TranslateString(BSTR input, long page, long translateFlag, long* pageFlag,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(long* size) override;

    // What the collection holds and answers.
    std::vector<std::wstring> pages;
    std::wstring docName = L"report";
    std::wstring extension = L"txt";
    long unicode = 0;
    long charset = 5;
    // A call of that method fails (E_FAIL) for that page index, or for any index with kAny.
    static constexpr long kNone = -2;
    static constexpr long kAny = -1;
    long failItemSize = kNone;
    long failGetItem = kNone;
    long failItem = kNone;
    bool failCount = false;
    bool failJobSize = false;
    bool failTranslate = false;
    // Item answers with a VARIANT that is no byte array.
    bool itemNotBytes = false;
    // Item answers for that page index with a byte-array VARIANT whose array is null, or with a
    // byte array of two dimensions.
    long nullArrayItem = kNone;
    long twoDimensionItem = kNone;
    // ItemSize and JobSize answer these in place of the true sizes, when not negative.
    long reportedItemSize = -1;
    long reportedJobSize = -1;

    // What was asked.
    struct Translation {
        std::wstring input;
        long page;
        long translateFlag;
    };
    std::vector<Translation> translations;
    std::vector<long> itemsRead;    // indices given to Item
    std::vector<long> getItemsRead; // indices given to GetItem
    LONG refs = 1;

private:
    bool Fails(long failing, long index) const {
        return failing == kAny || (failing >= 0 && failing == index);
    }
    bool InRange(long index) const {
        return index >= 0 && static_cast<size_t>(index) < pages.size();
    }
    std::string Bytes(const std::wstring& page) const;
};
