// The rendered page collection as the transports read it: each page converted to bytes as
// the printer's configuration says, the stored texts, and macro expansion.
#include "cqlx.h"

#include <string>
#include <vector>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "core_schema.h"
#include "log.h"
#include "page_bytes.h"
#include "plugin_lists.h"
#include "registry.h"
#include "spool_job.h"
#include "system_macro_resolver.h"
#include "translate_macros.h"

RenderedSettings CQLX::ReadRenderedSettings() noexcept {
    RenderedSettings settings;
    GuardedCall([&] {
        CfgLockGuard guard(store_->Lock());
        CfgData& core = store_->Core();
        settings.conversion.unix_eol = core.Get(core_setting::kUnixEOL).number;
        settings.conversion.charset = core.Get(core_setting::kCharset).number;
        settings.conversion.page_break = core.Get(core_setting::kPageBreak).number;
        settings.unicode_prefix = core.Get(core_setting::kUnicodePrefix).number;
        return S_OK;
    });
    return settings;
}

ComPtr<IQLX_BSTR_Collection> CQLX::RenderedPages() const noexcept {
    SrwGuard guard(state_lock_);
    return rendered_pages_;
}

HRESULT CQLX::PageText(LONG index, ComBstr& text) noexcept {
    LogInfo(L'C', L"CQLX::Item");
    if (Flag(cancelling_))
        return E_FAIL;
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    LONG count = 0;
    if (!pages || FAILED(pages->get_Count(&count)) || index < 0 || index >= count) {
        LogErrorNum(L'C', L"CQLX::Item invalid page number", index);
        return E_FAIL;
    }
    RETURN_IF_FAILED(pages->GetItem(index, &text));
    LogInfoNum(L'C', L"CQLX::Item: Page Length=", static_cast<long>(text.Length()));
    return S_OK;
}

HRESULT CQLX::ItemWith(LONG index, const RenderedSettings& settings, VARIANT* pVal) noexcept {
    RETURN_IF_NULL(pVal);
    VariantInit(pVal);
    ComBstr text;
    RETURN_IF_FAILED(PageText(index, text));
    SAFEARRAY* array = nullptr;
    RETURN_IF_FAILED(ConvertPageArray(text.Get() ? text.Get() : L"", text.Length(),
                                      settings.conversion, &array));
    V_VT(pVal) = VT_ARRAY | VT_UI1;
    V_ARRAY(pVal) = array;
    LogInfo(L'C', L"CQLX::Item returned ok");
    poster_.PostOnPageSaving(index);
    return S_OK;
}

HRESULT CQLX::ItemSizeWith(LONG index, const RenderedSettings& settings, LONG* pVal) noexcept {
    RETURN_IF_NULL(pVal);
    *pVal = 0;
    ComBstr text;
    RETURN_IF_FAILED(PageText(index, text));
    std::vector<uint8_t> bytes;
    RETURN_IF_FAILED(ConvertPageBytes(text.Get() ? text.Get() : L"", text.Length(),
                                      settings.conversion, &bytes));
    *pVal = static_cast<LONG>(bytes.size());
    return S_OK;
}

HRESULT CQLX::UnicodeWith(const RenderedSettings& settings, LONG* pVal) noexcept {
    RETURN_IF_NULL(pVal);
    *pVal = settings.conversion.charset == kCharsetUtf16 && settings.unicode_prefix != 0;
    return S_OK;
}

STDMETHODIMP CQLX::Item(LONG index, VARIANT* pVal) {
    return ItemWith(index, ReadRenderedSettings(), pVal);
}

STDMETHODIMP CQLX::ItemSize(LONG index, LONG* pVal) {
    return ItemSizeWith(index, ReadRenderedSettings(), pVal);
}

STDMETHODIMP CQLX::Unicode(LONG* pVal) {
    return UnicodeWith(ReadRenderedSettings(), pVal);
}

STDMETHODIMP CQLX::Count(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = 0;
    LogInfo(L'C', L"CQLX::get_Count");
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    return pages ? pages->get_Count(pVal) : S_OK;
}

STDMETHODIMP CQLX::GetItem(LONG idx, BSTR* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = nullptr;
    if (Flag(cancelling_))
        return E_FAIL;
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    if (!pages)
        return E_FAIL;
    // Only a page that is there is announced as being saved.
    LONG count = 0;
    if (SUCCEEDED(pages->get_Count(&count)) && idx >= 0 && idx < count)
        poster_.PostOnPageSaving(idx);
    return pages->GetItem(idx, pVal);
}

STDMETHODIMP CQLX::JobSize(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = 0;
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    LONG count = 0;
    if (!pages || FAILED(pages->get_Count(&count)))
        return S_OK;
    LONG total = 0;
    for (LONG i = 0; i < count; ++i) {
        ComBstr text;
        if (SUCCEEDED(pages->GetItem(i, &text)))
            total += static_cast<LONG>(text.Length());
    }
    *pVal = total;
    return S_OK;
}

// Macros

long CQLX::TakeIdentity() noexcept {
    // Held across the write, so that the key is written in the order the numbers were taken
    // and never goes back to an older value.
    CriticalSectionLock hold(identity_lock_);
    long taken;
    DWORD next;
    {
        SrwGuard guard(state_lock_);
        taken = static_cast<long>(options_.identity);
        next = options_.identity + 1;
        options_.identity = next;
    }
    // Written before the number is used: a crash after it never hands the number out again.
    if (WriteRegDword(HKEY_CURRENT_USER, L"Identity", next)) {
        SrwGuard guard(state_lock_);
        if (options_.identity == next)
            options_.identity_as_read = next;
    } else {
        LogError(L'C', L"TranslateString Cannot save Identity");
    }
    return taken;
}

STDMETHODIMP CQLX::TranslateString(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                                   BSTR* output) {
    if (output)
        *output = nullptr;
    JobMacroValues job;
    HRESULT hr = GuardedCall([&] {
        {
            SrwGuard guard(state_lock_);
            job.document_name = document_name_.c_str();
        }
        FormatRef format = plugins_->SelectedFormat();
        if (format)
            job.extension = format->extension.c_str();
        CriticalSectionLock hold(render_lock_);
        if (const SpoolJob* processed = processed_job_.load())
            job.job_id = processed->job_id;
        return S_OK;
    });
    if (FAILED(hr))
        return hr;
    SystemMacroResolver resolver(std::move(job), *static_cast<IdentitySource*>(this));
    return TranslateMacros(input, page, translate_flag, page_flag, resolver, output);
}
