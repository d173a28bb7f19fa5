#include "cqlx.h"

#include <string>

#include "com_bstr.h"
#include "event_dispids.h"
#include "log.h"
#include "plugin_lists.h"

void CQLX::OnAdvised(DWORD cookie) noexcept {
    LogInfoNum(L'C', L"CQLX::Advise", static_cast<long>(cookie));
    poster_.AddListener();
}

void CQLX::OnUnadvised(DWORD cookie) noexcept {
    LogInfoNum(L'C', L"CQLX::Unadvise", static_cast<long>(cookie));
    poster_.RemoveListener();
    Try_to_stop();
}

// A listener whose process died never unadvises: its sink was taken off the point while an
// event was fired, and it no longer counts. When it was the last one, the idle engine lets its
// plug-ins go as after an Unadvise; this runs on the firing thread (a cancel or job thread
// among them), so it must not wait for the work in progress as Try_to_stop does.
void CQLX::OnSinkDropped(DWORD cookie) noexcept {
    LogWarnNum(L'C', L"CQLX::Fire dropped the sink of a listener that is gone",
               static_cast<long>(cookie));
    if (poster_.RemoveListener() == 0 && !CancelInFlight())
        StopIfIdle();
}

void CQLX::Dispatch(DISPID dispid, DISPPARAMS* params) noexcept {
    events_.FireDispatch(dispid, params);
}

void CQLX::PostJobEvents(long pages) noexcept {
    poster_.PostOnStartJob();
    for (long page = 0; page < pages; ++page)
        poster_.PostOnPageRendered(page);
    poster_.PostOnAllPagesRendered();
}

void CQLX::OnPluginError(BSTR plugin, BSTR message) noexcept {
    try {
        std::wstring text = plugin ? std::wstring(plugin, SysStringLen(plugin)) : std::wstring();
        text += L": ";
        if (message)
            text.append(message, SysStringLen(message));
        LogInfoStr(L'C', L"QLX::OnError", text.c_str());
        poster_.PostOnError(kPluginErrorCode, text.c_str());
    } catch (...) {
        LogError(L'C', L"QLX::OnError out of memory");
    }
}

void CQLX::OnPluginProgress(BSTR plugin, long value) noexcept {
    poster_.PostOnProgress(plugin ? plugin : L"", value);
}

LONG CQLX::UILoadedCount() {
    return ui_connections_.Count();
}

void CQLX::PostOnSettingChanged(BSTR target, BSTR param, const VARIANT& newVal) {
    poster_.PostOnSettingChanged(target, param, newVal);
}
