#include "fake_rendered_collection.h"

#include <cstring>

#include "com_safearray.h"

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& find, const std::wstring& with,
                long* count) {
    for (size_t at = text.find(find); at != std::wstring::npos;
         at = text.find(find, at + with.size())) {
        text.replace(at, find.size(), with);
        if (count)
            ++*count;
    }
}

} // namespace

STDMETHODIMP FakeRenderedCollection::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IRenderedCollection))
        return E_NOINTERFACE;
    *out = static_cast<IRenderedCollection*>(this);
    AddRef();
    return S_OK;
}

std::string FakeRenderedCollection::Bytes(const std::wstring& page) const {
    if (charset == 5)
        return std::string(reinterpret_cast<const char*>(page.data()),
                           page.size() * sizeof(wchar_t));
    if (page.empty())
        return std::string();
    const int size = static_cast<int>(page.size());
    const int bytes = WideCharToMultiByte(static_cast<UINT>(charset), 0, page.data(), size, nullptr,
                                          0, nullptr, nullptr);
    std::string converted(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(static_cast<UINT>(charset), 0, page.data(), size, &converted[0], bytes,
                            nullptr, nullptr);
    return converted;
}

STDMETHODIMP FakeRenderedCollection::Item(long index, VARIANT* value) {
    if (!value)
        return E_POINTER;
    itemsRead.push_back(index);
    if (Fails(failItem, index) || !InRange(index))
        return E_FAIL;
    if (itemNotBytes) {
        value->vt = VT_I4;
        value->lVal = index;
        return S_OK;
    }
    if (index == nullArrayItem) {
        value->vt = VT_ARRAY | VT_UI1;
        value->parray = nullptr;
        return S_OK;
    }
    if (index == twoDimensionItem) {
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
        value->parray = SafeArrayCreate(VT_UI1, 2, bounds);
        value->vt = VT_ARRAY | VT_UI1;
        return value->parray ? S_OK : E_OUTOFMEMORY;
    }
    const std::string bytes = Bytes(pages[static_cast<size_t>(index)]);
    ComSafeArray array;
    if (!array.Create(VT_UI1, static_cast<ULONG>(bytes.size())))
        return E_OUTOFMEMORY;
    if (!bytes.empty()) {
        SafeArrayAccess data(array.Get());
        if (!data)
            return E_FAIL;
        memcpy(data.Data(), bytes.data(), bytes.size());
    }
    value->vt = VT_ARRAY | VT_UI1;
    value->parray = array.Detach();
    return S_OK;
}

STDMETHODIMP FakeRenderedCollection::Count(long* count) {
    if (!count)
        return E_POINTER;
    if (failCount)
        return E_FAIL;
    *count = static_cast<long>(pages.size());
    return S_OK;
}

STDMETHODIMP FakeRenderedCollection::GetItem(long index, BSTR* text) {
    if (!text)
        return E_POINTER;
    getItemsRead.push_back(index);
    if (Fails(failGetItem, index) || !InRange(index))
        return E_FAIL;
    const std::wstring& page = pages[static_cast<size_t>(index)];
    *text = SysAllocStringLen(page.data(), static_cast<UINT>(page.size()));
    return *text ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FakeRenderedCollection::Unicode(long* value) {
    if (!value)
        return E_POINTER;
    *value = unicode;
    return S_OK;
}

STDMETHODIMP FakeRenderedCollection::ItemSize(long index, long* size) {
    if (!size)
        return E_POINTER;
    if (Fails(failItemSize, index) || !InRange(index))
        return E_FAIL;
    *size = reportedItemSize >= 0
                ? reportedItemSize
                : static_cast<long>(Bytes(pages[static_cast<size_t>(index)]).size());
    return S_OK;
}

STDMETHODIMP FakeRenderedCollection::TranslateString(BSTR input, long page, long translateFlag,
                                                     long* pageFlag, BSTR* output) {
    if (!pageFlag || !output)
        return E_POINTER;
    std::wstring text(input ? input : L"", SysStringLen(input));
    translations.push_back({text, page, translateFlag});
    if (failTranslate)
        return E_FAIL;
    ReplaceAll(text, L"{{DOCNAME}}", docName, nullptr);
    ReplaceAll(text, L"{{EXT}}", extension, nullptr);
    ReplaceAll(text, L"{{PAGE}}", page >= 1 ? std::to_wstring(page) : std::wstring(), pageFlag);
    *output = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *output ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FakeRenderedCollection::JobSize(long* size) {
    if (!size)
        return E_POINTER;
    if (failJobSize)
        return E_FAIL;
    long total = 0;
    if (reportedJobSize >= 0) {
        *size = reportedJobSize;
        return S_OK;
    }
    for (const std::wstring& page : pages)
        total += static_cast<long>(page.size());
    *size = total;
    return S_OK;
}
