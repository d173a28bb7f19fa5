// The job and page methods of IQLX: core values by name, the current job, its pages and their
// saves.
#include "cqlx.h"

#include <string>

#include "cfg_store.h"
#include "com_result.h"
#include "com_variant.h"
#include "error_ids.h"
#include "log.h"
#include "plugin_lists.h"
#include "setting_names.h"
#include "spool_job.h"

namespace {

const wchar_t* Text(BSTR text) {
    return text ? text : L"";
}

// Only the values marked exposed are reached by name; the others have methods of their own,
// whose checks a put by name must not get round.
bool Exposed(CfgData& core, const wchar_t* name) {
    CfgValue value;
    return core.Find(name, &value) && value.exposed;
}

} // namespace

STDMETHODIMP CQLX::get_value(BSTR Name, VARIANT* pVal) {
    RETURN_IF_NULL(pVal);
    VariantInit(pVal);
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfoStr(L'C', L"get_Value", Text(Name));
    bool known = false;
    HRESULT hr = GuardedCall([&] {
        CfgLockGuard guard(store_->Lock());
        known = Exposed(store_->Core(), Text(Name));
        return known ? store_->Core().GetValue(Text(Name), pVal) : S_OK;
    });
    if (!known)
        return ReportError(IDS_UNKNOWN_VALUE_NAME, Text(Name));
    return hr;
}

STDMETHODIMP CQLX::put_value(BSTR Name, VARIANT newVal) {
    // The setting's event goes out once the store's lock is released.
    EventPoster::Deferral deferral(poster_);
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    LogInfoStr(L'C', L"put_Value", Text(Name));
    bool known = false, stored = false;
    GuardedCall([&] {
        ComVariant plain;
        RETURN_IF_FAILED(VariantCopyInd(&plain, &newVal));
        CfgLockGuard guard(store_->Lock());
        known = Exposed(store_->Core(), Text(Name));
        stored = known && store_->Core().PutValue(Text(Name), plain);
        return S_OK;
    });
    if (stored)
        return S_OK;
    const HRESULT hr = ReportError(known ? IDS_CANNOT_SET_VALUE : IDS_UNKNOWN_VALUE_NAME,
                                   known ? nullptr : Text(Name));
    poster_.PostOnSettingChangeFailed(setting_name::kCore, Text(Name));
    return hr;
}

// The current job and its pages

STDMETHODIMP CQLX::GetPage(LONG page_id, BSTR* text) {
    RETURN_IF_NULL(text);
    *text = nullptr;
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    if (!processed_job_.load())
        return E_INVALIDARG;
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    return pages ? pages->GetItem(page_id, text) : E_INVALIDARG;
}

STDMETHODIMP CQLX::UpdatePage(LONG page_id, BSTR new_text) {
    LogInfo(L'C', L"UpdatePage");
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    const UINT refused = RefusePageOfJob(page_id);
    if (refused != 0)
        return ReportError(refused);
    if (send_counter_.Count() > 0 || Flag(save_starting_))
        return ReportError(IDS_BUSY_PROCESSING);
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    return pages ? pages->Replace(page_id, new_text) : E_FAIL;
}

STDMETHODIMP CQLX::get_DocumentName(BSTR* pVal) {
    RETURN_IF_NULL(pVal);
    SrwGuard guard(state_lock_);
    return CopyText(document_name_, pVal);
}

STDMETHODIMP CQLX::get_TotalPages(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    CriticalSectionLock hold(render_lock_);
    const SpoolJob* job = processed_job_.load();
    *pVal = job ? static_cast<LONG>(job->PageCount()) : 0;
    return S_OK;
}

STDMETHODIMP CQLX::get_RenderedPages(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = 0;
    if (!processed_job_.load())
        return S_OK;
    ComPtr<IQLX_BSTR_Collection> pages = RenderedPages();
    return pages ? pages->get_Count(pVal) : S_OK;
}

namespace {

HRESULT StringValue(const WString& text, VARIANT* out) {
    V_BSTR(out) = SysAllocStringLen(text.c_str(), text.Length());
    if (!V_BSTR(out))
        return E_OUTOFMEMORY;
    V_VT(out) = VT_BSTR;
    return S_OK;
}

} // namespace

STDMETHODIMP CQLX::get_JobProperty(BSTR Name, VARIANT* pVal) {
    RETURN_IF_NULL(pVal);
    VariantInit(pVal);
    // Read under render_lock: the job cannot be closed meanwhile.
    CriticalSectionLock hold(render_lock_);
    const SpoolJob* job = processed_job_.load();
    const std::wstring name = Text(Name);
    const struct {
        const wchar_t* name;
        long value;
    } numbers[] = {
        {L"JobID", job ? job->job_id : 0},
        {L"Resolution", job ? job->dpi : 0},
        {L"Status", job ? static_cast<long>(job->Flags()) : 0},
    };
    for (const auto& number : numbers) {
        if (name == number.name) {
            V_VT(pVal) = VT_I4;
            V_I4(pVal) = number.value;
            return S_OK;
        }
    }
    const WString none;
    const struct {
        const wchar_t* name;
        const WString& value;
    } texts[] = {
        {L"Printer", job ? job->printer : none},
        {L"Document", job ? job->document : none},
        {L"Format", job ? job->format : none},
        {L"SpoolFile", job ? job->spool_file : none},
        {L"SepFile", job ? job->separator_file : none},
    };
    for (const auto& text : texts) {
        if (name == text.name)
            return StringValue(text.value, pVal);
    }
    return S_OK;
}

void CQLX::Rerender() noexcept {
    CriticalSectionLock hold(render_lock_);
    RenderBusyFlag busy(render_busy_);
    SpoolJob* job = processed_job_.load();
    if (!job || (job->Flags() & kJobRendered) == 0 || send_counter_.Count() > 0 ||
        Flag(save_starting_))
        return;
    FormatRef format = plugins_->SelectedFormat();
    ComPtr<IQLX_RPLUGIN> plugin = format ? format->Object() : nullptr;
    if (!plugin)
        return;
    job->ClearFlags(kJobRendered);
    if (ComPtr<IQLX_BSTR_Collection> pages = RenderedPages())
        pages->RemoveAll();
    render_all(*job, plugin.Get());
}
