#include "string_collection.h"

#include <string>
#include <vector>

#include "com_variant.h"
#include "error_info.h"
#include "string_enumerator.h"

namespace {

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The result of an index operation, with the error information of a refused index.
HRESULT Checked(HRESULT hr) {
    if (hr == E_INVALIDARG)
        return ReportComError(hr, L"Quorvane.QLX_BSTR_Collection", L"Invalid index",
                              IID_IQLX_BSTR_Collection);
    return hr;
}

} // namespace

const TypeLibrarySource& CStringCollection::TypeLibrary() {
    static const TypeLibrarySource source = {&LIBID_QLX_CORELib, 6, 0};
    return source;
}

STDMETHODIMP CStringCollection::Item(VARIANT index, VARIANT* value) {
    if (!value)
        return E_POINTER;
    VariantInit(value);
    ComVariant position;
    if (FAILED(VariantChangeType(&position, &index, 0, VT_I4)))
        return Checked(E_INVALIDARG);
    std::wstring text;
    HRESULT hr = Checked(list_.Get(position.lVal, &text));
    if (FAILED(hr))
        return hr;
    BSTR copy = nullptr;
    hr = CopyToBstr(text, &copy);
    if (FAILED(hr))
        return hr;
    value->vt = VT_BSTR;
    value->bstrVal = copy;
    return S_OK;
}

STDMETHODIMP CStringCollection::get_Count(LONG* count) {
    if (!count)
        return E_POINTER;
    *count = list_.Count();
    return S_OK;
}

STDMETHODIMP CStringCollection::get__NewEnum(IUnknown** enumerator) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    std::vector<std::wstring> items;
    HRESULT hr = list_.Snapshot(&items);
    if (FAILED(hr))
        return hr;
    return ComObject<CStringEnumerator>::Create(IID_IUnknown, reinterpret_cast<void**>(enumerator),
                                                std::move(items));
}

STDMETHODIMP CStringCollection::Add(BSTR text) {
    return list_.Add(text, SysStringLen(text));
}

STDMETHODIMP CStringCollection::Replace(LONG index, BSTR text) {
    return Checked(list_.Replace(index, text, SysStringLen(text)));
}

STDMETHODIMP CStringCollection::Remove(LONG index) {
    return Checked(list_.Remove(index));
}

STDMETHODIMP CStringCollection::RemoveAll() {
    list_.RemoveAll();
    return S_OK;
}

STDMETHODIMP CStringCollection::GetItem(LONG index, BSTR* text) {
    if (!text)
        return E_POINTER;
    *text = nullptr;
    std::wstring item;
    HRESULT hr = Checked(list_.Get(index, &item));
    if (FAILED(hr))
        return hr;
    return CopyToBstr(item, text);
}

STDMETHODIMP CStringCollection::Insert(LONG index, BSTR text) {
    return Checked(list_.Insert(index, text, SysStringLen(text)));
}

STDMETHODIMP CStringCollection::Contains(BSTR text, LONG* index) {
    if (!index)
        return E_POINTER;
    *index = list_.Find(text, SysStringLen(text));
    return S_OK;
}

STDMETHODIMP CStringCollection::InterfaceSupportsErrorInfo(REFIID iid) {
    return InterfaceInList(iid, {&IID_IQLX_BSTR_Collection});
}
