#include "report_error.h"

#include <oleauto.h>

#include "error_info.h"
#include "event_poster.h"
#include "log.h"

const wchar_t kErrorSource[] = L"Quorvane.Lettrix.6.0";

WString ErrorMessage(UINT id, const wchar_t* detail, HINSTANCE module) {
    WString text;
    text.LoadFromResource(id, module ? module : GetModuleHandleW(nullptr));
    if (detail) {
        text.Append(L": ");
        text.Append(detail);
    }
    return text;
}

HRESULT ReportError(UINT id, const wchar_t* detail, EventPoster& poster,
                    HINSTANCE module) noexcept {
    WString text = ErrorMessage(id, detail, module);
    LogError(L'C', text.c_str());
    poster.PostOnError(static_cast<long>(id) - static_cast<long>(kErrorCodeBase), text.c_str());
    HRESULT hr = SetComErrorInfo(kErrorSource, text.c_str());
    if (FAILED(hr))
        LogErrorNum(L'C', L"CQLX::ReportError Cannot set the error information", hr);
    return E_FAIL;
}
