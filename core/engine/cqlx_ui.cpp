// The user-interface methods of IQLX: connection count, the replay of the open job to a new
// user interface, and loading and unloading the user-interface program.
#include "cqlx.h"

#include <string>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "error_ids.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "registry.h"
#include "spool_job.h"

STDMETHODIMP CQLX::get_UILoaded(LONG* pVal) {
    RETURN_IF_NULL(pVal);
    *pVal = ui_connections_.Count();
    return S_OK;
}

STDMETHODIMP CQLX::put_UILoaded(LONG newVal) {
    LogInfoNum(L'C', L"CQLX::put_UILoaded", newVal);
    if (newVal != 0) {
        ui_connections_.Connect(CallerProcessId());
        return S_OK;
    }
    if (ui_connections_.Disconnect(CallerProcessId()) == 0)
        OnLastUiDisconnected();
    return S_OK;
}

STDMETHODIMP CQLX::put_UILoadedWithEvents(LONG newVal) {
    LogInfoNum(L'C', L"CQLX::put_UILoadedWithEvents", newVal);
    if (newVal == 0)
        return put_UILoaded(0);
    ui_connections_.Connect(CallerProcessId());
    if (JobOpen())
        StartReplay();
    return S_OK;
}

void CQLX::OnLastUiDisconnected() noexcept {
    LogInfo(L'C', L"cfg.Save");
    {
        SrwGuard guard(state_lock_);
        if (options_.autosave != options_.autosave_as_read) {
            if (WriteRegDword(HKEY_CURRENT_USER, L"Autosave", options_.autosave))
                options_.autosave_as_read = options_.autosave;
            else
                LogError(L'C', L"Cannot write Autosave");
        }
    }
    // After a Stop the plug-ins' sections are gone: saving then would leave the per-user tree
    // with a core section only, and the next load would take the plug-ins' defaults from it.
    if (Flag(init_done_)) {
        HRESULT hr = GuardedCall([&]() -> HRESULT {
            CfgLockGuard guard(store_->Lock());
            const std::wstring printer = CurrentPrinter();
            if (printer.empty())
                return S_OK;
            return store_->Save(CfgTree::kUser, printer.c_str(), *plugins_);
        });
        if (FAILED(hr))
            LogErrorNum(L'C', L"cfg.Save failed", hr);
    }
    Try_to_stop();
}

// A user interface that ended without disconnecting leaves as if it had put UILoaded 0.
void CQLX::OnUiProcessEnded(DWORD pid, LONG dropped, LONG remaining) noexcept {
    LogWarnNum(L'C', L"CQLX::UILoaded A user interface ended without disconnecting, process",
               static_cast<long>(pid));
    LogWarnNum(L'C', L"CQLX::UILoaded Its connections dropped:", dropped);
    if (remaining != 0)
        return;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    OnLastUiDisconnected();
    if (SUCCEEDED(com))
        CoUninitialize();
}

STDMETHODIMP CQLX::LoadUI() {
    LogInfo(L'C', L"CQLX::LoadUI");
    if (ui_connections_.Count() != 0)
        return ReportError(IDS_UI_ALREADY_LOADED);
    return StartUI();
}

STDMETHODIMP CQLX::UnloadUI() {
    LogInfo(L'C', L"CQLX::UnloadUI");
    if (ui_connections_.Count() == 0)
        return ReportError(IDS_UI_NOT_LOADED);
    // The count falls when the user interface itself puts UILoaded 0.
    poster_.PostOnUnload();
    return S_OK;
}

// The replay

bool CQLX::JobOpen() const noexcept {
    const SpoolJob* job = processed_job_.load();
    return job && (job->Flags() & kJobOpened) != 0;
}

bool CQLX::JobRendered() const noexcept {
    const SpoolJob* job = processed_job_.load();
    return job && (job->Flags() & kJobRendered) != 0;
}

bool CQLX::OpenJobDocument(std::wstring* name) const noexcept {
    const SpoolJob* job = processed_job_.load();
    if (!job || (job->Flags() & kJobOpened) == 0)
        return false;
    try {
        name->assign(job->document.c_str());
        return true;
    } catch (...) {
        return false;
    }
}

LONG CQLX::RenderedPageCount() noexcept {
    ComPtr<IQLX_BSTR_Collection> pages;
    {
        SrwGuard guard(state_lock_);
        pages = rendered_pages_;
    }
    LONG count = 0;
    if (!pages || FAILED(pages->get_Count(&count)))
        return 0;
    return count;
}

HRESULT CQLX::StartReplay() noexcept {
    // Counted before the thread starts, so that the job thread holds its events back from now.
    replay_.BeginReplay();
    // The thread's own reference: the engine outlives the replay whatever its clients do.
    static_cast<IQLX*>(this)->AddRef();
    HANDLE thread = CreateThread(nullptr, 0, update_ui_thread, this, 0, nullptr);
    if (!thread) {
        LogErrorNum(L'C', L"CQLX::put_UILoadedWithEvents Thread creation failed",
                    static_cast<long>(GetLastError()));
        replay_.AbandonReplay();
        static_cast<IQLX*>(this)->Release();
        return E_FAIL;
    }
    CloseHandle(thread);
    return S_OK;
}

DWORD WINAPI CQLX::update_ui_thread(void* self) noexcept {
    auto* engine = static_cast<CQLX*>(self);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    engine->ReplayJobToUI();
    LogInfo(L'C', L"update_ui_thread Done");
    static_cast<IQLX*>(engine)->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}

void CQLX::ReplayJobToUI() noexcept {
    poster_.PostOnStartJob();
    LONG next = 0;
    bool allPosted = false;
    for (;;) {
        while (!Flag(cancelling_) && next < RenderedPageCount())
            poster_.PostOnPageRendered(next++);
        // Ends only once nothing the job thread held back is left to post.
        bool postAll = false;
        const bool ended = replay_.EndReplayIfCaughtUp([&] {
            if (!Flag(cancelling_) && next < RenderedPageCount())
                return false;
            postAll = JobRendered() && !allPosted;
            return !postAll;
        });
        if (ended)
            return;
        if (postAll) {
            poster_.PostOnAllPagesRendered();
            allPosted = true;
        }
    }
}

bool CQLX::AddRenderedPage(BSTR text, LONG* index) noexcept {
    *index = -1;
    ComPtr<IQLX_BSTR_Collection> pages;
    {
        SrwGuard guard(state_lock_);
        pages = rendered_pages_;
    }
    return replay_.Publish([&] {
        LONG count = 0;
        if (pages && SUCCEEDED(pages->Add(text)) && SUCCEEDED(pages->get_Count(&count)))
            *index = count - 1;
    });
}

bool CQLX::MarkJobRendered() noexcept {
    return replay_.Publish([&] {
        if (SpoolJob* job = processed_job_.load())
            job->SetFlags(kJobRendered);
    });
}
