#include "cqlx.h"

#include "com_result.h"
#include "com_variant.h"
#include "event_dispids.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "setting_names.h"

namespace {

// The members of later work: they start the engine as every method does, and do nothing yet.
#define NOT_YET_STARTING()                                                                         \
    do {                                                                                           \
        if (FAILED(PostStartImpl()))                                                               \
            return E_FAIL;                                                                         \
        return E_NOTIMPL;                                                                          \
    } while (0)

} // namespace

STDMETHODIMP CQLX::Redirect(BSTR, BSTR) {
    NOT_YET_STARTING();
}
STDMETHODIMP CQLX::RedirectWait(BSTR, BSTR) {
    NOT_YET_STARTING();
}
STDMETHODIMP CQLX::GetEMFPage(LONG, BSTR) {
    NOT_YET_STARTING();
}
STDMETHODIMP CQLX::SetEMFPage(LONG, BSTR) {
    NOT_YET_STARTING();
}

STDMETHODIMP CQLX::get_TotalJobs(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = intake_ ? static_cast<LONG>(intake_->job_list().Count()) : 0;
    return S_OK;
}

STDMETHODIMP CQLX::get_Listeners(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = poster_.Listeners();
    return S_OK;
}

STDMETHODIMP CQLX::get_Identity(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    RETURN_IF_FAILED(PostStartImpl());
    SrwGuard guard(state_lock_);
    *pVal = static_cast<LONG>(options_.identity);
    return S_OK;
}

STDMETHODIMP CQLX::put_Identity(LONG newVal) {
    if (FAILED(PostStartImpl()))
        return E_FAIL;
    bool changed;
    {
        SrwGuard guard(state_lock_);
        changed = options_.identity != static_cast<DWORD>(newVal);
        options_.identity = static_cast<DWORD>(newVal);
    }
    ComVariant value;
    if (changed)
        value = ComVariant(static_cast<long>(newVal));
    poster_.PostOnSettingChanged(setting_name::kCore, setting_name::kIdentity, value);
    return S_OK;
}

STDMETHODIMP CQLX::get_RedirectPrinter(BSTR* pVal) {
    if (pVal)
        *pVal = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CQLX::put_RedirectPrinter(BSTR) {
    NOT_YET_STARTING();
}
