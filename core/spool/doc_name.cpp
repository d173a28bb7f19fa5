#include "doc_name.h"

#include <wchar.h>

#include "log.h"

namespace {

constexpr size_t kWorkChars = 260; // with the terminator

const wchar_t* AfterLastDash(const wchar_t* name) {
    const wchar_t* tail = name;
    for (const wchar_t* hit = wcsstr(name, L" - "); hit; hit = wcsstr(hit + 1, L" - "))
        tail = hit + 3;
    return tail;
}

void ReplaceUnsafeCharacters(wchar_t* text) {
    for (; *text; ++text) {
        if (wcschr(L"\"*/:<>?\\|", *text))
            *text = L'_';
    }
}

// A full stop in the first position is kept, so ".profile" stays whole.
void CutExtension(wchar_t* text) {
    for (size_t i = wcslen(text); i-- > 1;) {
        if (text[i] == L'.') {
            text[i] = L'\0';
            return;
        }
    }
}

} // namespace

HRESULT SetDocName(const wchar_t* name, WString* document_name) noexcept {
    LogInfoStr(L'C', L"CQLX::SetDocName=", name ? name : L"");
    wchar_t work[kWorkChars] = L"";
    if (name) {
        wcsncpy(work, AfterLastDash(name), kWorkChars - 1);
        work[kWorkChars - 1] = L'\0';
    }
    ReplaceUnsafeCharacters(work);
    CutExtension(work);
    if (!document_name->Assign(work[0] ? work : L"Document"))
        return E_OUTOFMEMORY;
    return S_OK;
}
