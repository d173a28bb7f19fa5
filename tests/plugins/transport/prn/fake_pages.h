#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "qlx_tplugin.h"

// The engine's rendered pages as a transport reads them, for the transport's own tests: the
// pages given, a GetItem that fails from a chosen page on (as the engine's does once a cancel
// started), and a record of the pages asked for. Lives on the stack; references are counted
// only to be checked.
class FakePages final : public IRenderedCollection {
public:
    explicit FakePages(std::vector<std::wstring> pages) : pages_(std::move(pages)) {}

    // GetItem fails with E_FAIL for this index and every later one; Count fails when asked to.
    void FailFrom(long index) { failFrom_ = index; }
    void FailCount() { failCount_ = true; }

    const std::vector<long>& Asked() const { return asked_; }
    LONG References() const { return refs_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs_); }

    STDMETHODIMP Item(long index, VARIANT* value) override;
    STDMETHODIMP Count(long* count) override;
    STDMETHODIMP GetItem(long index, BSTR* text) override;
    STDMETHODIMP Unicode(long* unicode) override;
    STDMETHODIMP ItemSize(long index, long* size) override;
    STDMETHODIMP TranslateString(BSTR input, long page, long translate, long* pageFlag,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(long* size) override;

private:
    std::vector<std::wstring> pages_;
    std::vector<long> asked_;
    long failFrom_ = -1;
    bool failCount_ = false;
    LONG refs_ = 1;
};
