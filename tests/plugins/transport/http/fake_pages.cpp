#include "fake_pages.h"

#include <cwchar>

#include "com_safearray.h"

namespace {

void ReplaceFirst(std::wstring* text, size_t at, size_t length, const std::wstring& value) {
    text->replace(at, length, value);
}

std::wstring Padded(long value, long width) {
    std::wstring digits = std::to_wstring(value);
    if (static_cast<long>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), L'0');
    return digits;
}

} // namespace

STDMETHODIMP FakePages::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IRenderedCollection)) {
        *out = static_cast<IRenderedCollection*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP FakePages::Item(LONG index, VARIANT* value) {
    items.push_back(index);
    if (!value)
        return E_POINTER;
    if (!InRange(index) || index == failItemAt)
        return E_FAIL;
    if (index == noDataAt) {
        SAFEARRAY* array = nullptr;
        if (FAILED(SafeArrayAllocDescriptor(1, &array)))
            return E_OUTOFMEMORY;
        array->cbElements = 1;
        array->rgsabound[0].cElements = 4;
        array->rgsabound[0].lLbound = 0;
        array->pvData = nullptr;
        value->vt = VT_ARRAY | VT_UI1;
        value->parray = array;
        return S_OK;
    }
    std::string bytes = pages[index];
    if (index == grownItemAt)
        bytes.push_back('+');
    ComSafeArray array;
    if (!array.Create(VT_UI1, static_cast<ULONG>(bytes.size())))
        return E_OUTOFMEMORY;
    if (!bytes.empty()) {
        SafeArrayAccess access(array.Get());
        if (!access)
            return E_FAIL;
        memcpy(access.Data(), bytes.data(), bytes.size());
    }
    value->vt = VT_ARRAY | VT_UI1;
    value->parray = array.Detach();
    return S_OK;
}

STDMETHODIMP FakePages::Count(LONG* count) {
    if (!count)
        return E_POINTER;
    if (failCount)
        return E_FAIL;
    *count = static_cast<LONG>(pages.size());
    return S_OK;
}

STDMETHODIMP FakePages::Unicode(LONG* value) {
    if (!value)
        return E_POINTER;
    *value = unicode;
    return S_OK;
}

STDMETHODIMP FakePages::ItemSize(LONG index, LONG* size) {
    if (!size)
        return E_POINTER;
    if (!InRange(index) || index == failItemSizeAt)
        return E_FAIL;
    *size = static_cast<LONG>(pages[index].size());
    return S_OK;
}

STDMETHODIMP FakePages::TranslateString(BSTR input, LONG page, LONG flag, LONG* pageMacros,
                                        BSTR* output) {
    if (!pageMacros || !output)
        return E_POINTER;
    *output = nullptr;
    const std::wstring text(input ? input : L"", SysStringLen(input));
    if (failTranslate) {
        translations.push_back({text, page, flag, L"<failed>"});
        return E_FAIL;
    }
    long count = *pageMacros;
    const std::wstring expanded = Expand(text, page, &count);
    *pageMacros = count;
    translations.push_back({text, page, flag, expanded});
    *output = SysAllocStringLen(expanded.data(), static_cast<UINT>(expanded.size()));
    return *output ? S_OK : E_OUTOFMEMORY;
}

std::wstring FakePages::Expand(std::wstring text, long page, long* pageMacros) {
    for (size_t at; (at = text.find(L"{{DOCNAME}}")) != std::wstring::npos;)
        ReplaceFirst(&text, at, 11, docName);
    for (size_t at; (at = text.find(L"{{X}}")) != std::wstring::npos;) {
        const size_t index = static_cast<size_t>(page - 1);
        ReplaceFirst(&text, at, 5, index < perPage.size() ? perPage[index] : L"");
    }
    for (size_t at; (at = text.find(L"{{PAGE}}")) != std::wstring::npos; ++*pageMacros)
        ReplaceFirst(&text, at, 8, page >= 1 ? std::to_wstring(page) : L"");
    for (size_t at; (at = text.find(L"{{PAGE(")) != std::wstring::npos; ++*pageMacros) {
        const size_t close = text.find(L")}}", at);
        if (close == std::wstring::npos)
            break;
        const long width = wcstol(text.c_str() + at + 7, nullptr, 10);
        ReplaceFirst(&text, at, close + 3 - at, Padded(page, width));
    }
    for (size_t at; (at = text.find(L"{{IDENTITY}}")) != std::wstring::npos;)
        ReplaceFirst(&text, at, 12, std::to_wstring(identity++));
    return text;
}

std::string FakePages::JobBytes() const {
    std::string bytes;
    for (const std::string& page : pages)
        bytes += page;
    return bytes;
}
