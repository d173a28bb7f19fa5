#include "translate_macros.h"

#include <new>

#include "com_bstr.h"
#include "log.h"
#include "macro_expander.h"
#include "text_units.h"

HRESULT TranslateMacros(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                        MacroResolver& resolver, BSTR* output) noexcept {
    if (!output)
        return E_POINTER;
    *output = nullptr;
    if (!page_flag)
        return E_POINTER;
    LogInfoStr(L'C', L"TranslateString", input ? input : L"");
    try {
        const ExpandedText expanded =
            ExpandMacros(ToU16(input, SysStringLen(input)), page, translate_flag != 0, resolver);
        const std::wstring text = ToWide(expanded.text);
        ComBstr result(text.c_str(), static_cast<UINT>(text.size()));
        if (!result)
            return E_OUTOFMEMORY;
        // Wraps like the caller's long would on the system, without overflowing here.
        *page_flag = static_cast<LONG>(static_cast<ULONG>(*page_flag) +
                                       static_cast<ULONG>(expanded.page_macros));
        *output = result.Detach();
    } catch (const std::bad_alloc&) {
        LogError(L'C', L"TranslateString out of memory");
        return E_OUTOFMEMORY;
    } catch (...) {
        LogError(L'C', L"TranslateString failed");
        return E_UNEXPECTED;
    }
    LogInfo(L'C', L"TranslateString end");
    return S_OK;
}
