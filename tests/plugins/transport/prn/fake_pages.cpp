#include "fake_pages.h"

STDMETHODIMP FakePages::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IRenderedCollection))
        return E_NOINTERFACE;
    *out = static_cast<IRenderedCollection*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP FakePages::Item(long, VARIANT*) {
    return E_NOTIMPL;
}

STDMETHODIMP FakePages::Count(long* count) {
    if (!count)
        return E_POINTER;
    if (failCount_)
        return E_FAIL;
    *count = static_cast<long>(pages_.size());
    return S_OK;
}

STDMETHODIMP FakePages::GetItem(long index, BSTR* text) {
    if (!text)
        return E_POINTER;
    *text = nullptr;
    asked_.push_back(index);
    if (index < 0 || static_cast<size_t>(index) >= pages_.size() ||
        (failFrom_ >= 0 && index >= failFrom_))
        return E_FAIL;
    const std::wstring& page = pages_[index];
    *text = SysAllocStringLen(page.data(), static_cast<UINT>(page.size()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FakePages::Unicode(long* unicode) {
    if (!unicode)
        return E_POINTER;
    *unicode = 0;
    return S_OK;
}

STDMETHODIMP FakePages::ItemSize(long, long*) {
    return E_NOTIMPL;
}

STDMETHODIMP FakePages::TranslateString(BSTR, long, long, long*, BSTR*) {
    return E_NOTIMPL;
}

STDMETHODIMP FakePages::JobSize(long*) {
    return E_NOTIMPL;
}
