#include "fake_pages.h"

#include "com_safearray.h"

namespace {

// Every occurrence of macro replaced, left to right; returns how many.
long ReplaceAll(std::wstring& text, const std::wstring& macro, const std::wstring& value) {
    long count = 0;
    for (size_t at = text.find(macro); at != std::wstring::npos;
         at = text.find(macro, at + value.size())) {
        text.replace(at, macro.size(), value);
        ++count;
    }
    return count;
}

} // namespace

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

STDMETHODIMP FakePages::Item(long index, VARIANT* value) {
    itemsAsked.push_back(index);
    if (!value)
        return E_POINTER;
    if (index < 0 || index >= static_cast<long>(pages.size()) ||
        (failItemFrom >= 0 && index >= failItemFrom))
        return E_FAIL;
    VariantInit(value);
    const Shape shape = index == badShapeAt ? badShape : Shape::kBytes;
    if (shape == Shape::kEmpty)
        return S_OK;
    if (shape == Shape::kNullArray) {
        value->vt = VT_ARRAY | VT_UI1;
        value->parray = nullptr;
        return S_OK;
    }
    ComSafeArray array;
    if (shape == Shape::kTwoDimensions) {
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
        array.Reset(SafeArrayCreate(VT_UI1, 2, bounds));
    } else {
        array.Create(VT_UI1, static_cast<ULONG>(pages[index].size()));
    }
    if (!array)
        return E_OUTOFMEMORY;
    if (shape == Shape::kBytes && !pages[index].empty()) {
        SafeArrayAccess data(array.Get());
        if (!data)
            return E_FAIL;
        memcpy(data.Data(), pages[index].data(), pages[index].size());
    }
    value->vt = VT_ARRAY | VT_UI1;
    value->parray = array.Detach();
    return S_OK;
}

STDMETHODIMP FakePages::Count(long* count) {
    if (!count)
        return E_POINTER;
    if (FAILED(countResult))
        return countResult;
    *count = static_cast<long>(pages.size());
    return S_OK;
}

STDMETHODIMP FakePages::Unicode(long* value) {
    if (!value)
        return E_POINTER;
    *value = unicode;
    return S_OK;
}

STDMETHODIMP FakePages::TranslateString(BSTR input, long page, long translateFlag, long* pageMacros,
                                        BSTR* output) {
    std::wstring text(input ? input : L"", SysStringLen(input));
    translations.push_back({text, page, translateFlag});
    if (FAILED(translateResult))
        return translateResult;
    if (!pageMacros || !output)
        return E_POINTER;
    ReplaceAll(text, L"{{DOCNAME}}", docName);
    ReplaceAll(text, L"{{EXT}}", extension);
    *pageMacros += ReplaceAll(text, L"{{PAGE}}", std::to_wstring(page));
    *output = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *output ? S_OK : E_OUTOFMEMORY;
}

bool FakePages::Translated(const std::wstring& part) const {
    for (const Translation& translation : translations) {
        if (translation.input.find(part) != std::wstring::npos)
            return true;
    }
    return false;
}
