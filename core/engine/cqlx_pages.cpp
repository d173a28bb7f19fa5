// The job and page methods of IQLX: core values by name, the current job, its pages and their
// saves.
#include "cqlx.h"

#include "cfg_store.h"
#include "com_result.h"
#include "com_variant.h"
#include "error_ids.h"
#include "log.h"
#include "setting_names.h"

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
