#include "cqlx.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_result.h"
#include "core_schema.h"
#include "event_dispids.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "printer_enum.h"

namespace {

HRESULT FillCollection(IQLX_BSTR_Collection* collection, const std::vector<std::wstring>& names) {
    RETURN_IF_FAILED(collection->RemoveAll());
    for (const std::wstring& name : names) {
        ComBstr text(name.c_str(), static_cast<UINT>(name.size()));
        if (!text)
            return E_OUTOFMEMORY;
        RETURN_IF_FAILED(collection->Add(text));
    }
    return S_OK;
}

} // namespace

HRESULT CQLX::Init() noexcept {
    // Made first so that it goes last: the printer selection's events go out once init_lock
    // is released, so a synchronous listener may call back into the engine.
    EventPoster::Deferral deferral(poster_);
    CriticalSectionLock hold(init_lock_);
    if (Flag(init_done_))
        return S_OK;
    std::wstring selected;
    HRESULT hr = GuardedCall([&] { return InitLocked(&selected); });
    if (FAILED(hr))
        return hr;
    // Selected, which loads its configuration, before the engine counts as started: no other
    // caller finds it started without its printer. A printer that can't be selected leaves
    // the engine started without a configuration.
    put_PrinterImpl(selected.c_str(), true);
    SetFlag(init_done_, 1);
    return S_OK;
}

HRESULT CQLX::InitLocked(std::wstring* selected) {
    RETURN_IF_FAILED(CreateCollections());
    RETURN_IF_FAILED(LoadPlugins());
    // The printer of before a Stop is kept only while it is still one of the product's.
    if (FAILED(InitPrinters(CurrentPrinter(), selected)))
        return E_FAIL;

    CoreOptions options = ReadCoreOptions();
    {
        SrwGuard guard(state_lock_);
        options_ = options;
        spool_folder_ = options.spool_folder;
    }
    store_->Context().dataFolder = options.data_folder;
    poster_.SetAsyncEvents(options.async_events != 0);
    return S_OK;
}

HRESULT CQLX::CreateCollections() {
    ComPtr<IQLX_BSTR_Collection>* members[] = {
        std::addressof(rendered_pages_), std::addressof(format_names_),
        std::addressof(transport_names_), std::addressof(own_printers_),
        std::addressof(system_printers_)};
    bool missing = false;
    for (ComPtr<IQLX_BSTR_Collection>* member : members) {
        bool have;
        {
            SrwGuard guard(state_lock_);
            have = static_cast<bool>(*member);
        }
        if (have)
            continue;
        ComPtr<IQLX_BSTR_Collection> made = Create_BSTR_Collection();
        if (!made) {
            missing = true;
            continue;
        }
        SrwGuard guard(state_lock_);
        *member = made;
    }
    if (missing) {
        LogError(L'C', L"BSTR_Collection creation error");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CQLX::InitPrinters(const std::wstring& current, std::wstring* chosen) {
    chosen->clear();
    std::vector<PrinterEntry> printers;
    HRESULT hr = EnumerateSystemPrinters(&printers);
    if (FAILED(hr))
        LogErrorNum(L'C', L"InitPrinters EnumPrinters failed", hr);
    LogInfo(L'C', L"InitPrinters");
    for (const PrinterEntry& printer : printers)
        LogInfoStr(L'C', L"Found", printer.name.c_str());
    PrinterChoice choice = ChooseOwnPrinters(printers, current);
    // Filled aside and put in place at once: a reader never gets a list being refilled.
    ComPtr<IQLX_BSTR_Collection> own = Create_BSTR_Collection();
    ComPtr<IQLX_BSTR_Collection> system = Create_BSTR_Collection();
    if (!own || !system)
        return E_FAIL;
    RETURN_IF_FAILED(FillCollection(own, choice.own));
    RETURN_IF_FAILED(FillCollection(system, choice.system));
    const std::wstring system_default = QueryDefaultPrinter();
    LogInfoStr(L'C', L"Default sysprinter:", system_default.c_str());
    {
        SrwGuard guard(state_lock_);
        std::swap(own, own_printers_);
        std::swap(system, system_printers_);
        if (!choice.own.empty())
            default_own_printer_.Assign(choice.current.c_str());
        system_default_printer_.Assign(system_default.c_str());
    }
    if (!choice.own.empty())
        *chosen = choice.current;
    LogInfoNum(L'C', L"get_Count", static_cast<long>(choice.own.size()));
    LogInfoNum(L'C', L"get_Count", static_cast<long>(choice.system.size()));
    LogInfoStr(L'C', L"Default printer:", choice.current.c_str());
    if (choice.own.empty()) {
        LogError(L'C', L"InitPrinters::No printers available");
        return E_FAIL;
    }
    if (choice.system.empty()) {
        LogError(L'C', L"InitPrinters::No system printers available");
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CQLX::PostStart() {
    return PostStartImpl();
}

HRESULT CQLX::PostStartImpl() noexcept {
    if (!Flag(init_done_) && FAILED(Init()))
        return E_FAIL;
    // A PreStop half-way through has not set stopped yet: its lock is waited for, and the sinks
    // it disconnects are connected again.
    if (!Flag(stopped_) && !Flag(stopping_))
        return S_OK;
    {
        CriticalSectionLock hold(init_lock_);
        // Tested again under the lock: another thread may have connected the sinks (or a Stop
        // may have ended the engine) while this one waited.
        if (!Flag(init_done_) || !Flag(stopped_) || Flag(starting_))
            return S_OK;
        SetFlag(starting_, 1);
        LogInfo(L'C', L"CQLX::PostStart [");
        ConnectPluginSinks();
        SetFlag(stopped_, 0);
        SetFlag(starting_, 0);
        LogInfo(L'C', L"CQLX::PostStart ]");
    }
    // A job left pending by a Stop is processed once the engine runs again.
    if (!processed_job_.load() && intake_ && intake_->job_list().Count() > 0)
        OpenJob();
    return S_OK;
}

void CQLX::PreStop() noexcept {
    if (Flag(stopped_) || Flag(stopping_))
        return;
    {
        CriticalSectionLock hold(init_lock_);
        PreStopLocked();
    }
    LogInfo(L'C', L"CQLX::PreStop ]");
}

void CQLX::PreStopLocked() noexcept {
    if (Flag(stopped_) || Flag(stopping_))
        return;
    SetFlag(stopping_, 1);
    LogInfo(L'C', L"CQLX::PreStop [");
    DisconnectPluginSinks();
    SetFlag(stopped_, 1);
    SetFlag(stopping_, 0);
}

void CQLX::Try_to_stop() noexcept {
    LogInfoNum(L'C', L"Try_to_stop", poster_.Listeners());
    if (CancelInFlight()) {
        LogInfo(L'C', L"Waiting for cancel operation");
        cancel_counter_.Wait(L"Try_to_stop cancel");
    }
    StopIfIdle();
}

void CQLX::StopIfIdle() noexcept {
    const bool receiving = intake_ && intake_->IsReceiving();
    const bool processing = processing_counter_.Count() > 0;
    if (!receiving && !processing && poster_.Listeners() == 0)
        PreStop();
}

bool CQLX::CountersBusy() const noexcept {
    const BusyCounter* counters[] = {&redirect_counter_, &send_counter_, &processing_counter_,
                                     &ui_update_counter_, &cancel_counter_};
    for (const BusyCounter* counter : counters) {
        if (counter->Count() > counter->SharesOfThisThread())
            return true;
    }
    return false;
}

void CQLX::WaitSemaphores() noexcept {
    redirect_counter_.Wait(L"Waiting for redirect");
    send_counter_.Wait(L"Waiting for send");
    processing_counter_.Wait(L"Waiting for processing");
    ui_update_counter_.Wait(L"Waiting for UI update");
    cancel_counter_.Wait(L"Waiting for cancel");
}

STDMETHODIMP CQLX::Stop() {
    return StopImpl();
}

HRESULT CQLX::StopImpl() noexcept {
    LogInfo(L'C', L"CQLX::Stop [");
    LogInfo(L'C', L"CQLX::Stop Waiting For Semaphores");
    // The worker threads are waited for without init_lock: a cancel thread needs it to end.
    // No job thread starts while a stop waits, and a job thread that waits for the capture is
    // woken to end, so the rounds end once the threads of the calls in progress have; the
    // lock is taken for the state change only, once nothing else runs.
    InterlockedIncrement(&halting_);
    WakeJobThread();
    for (;;) {
        WaitSemaphores();
        init_lock_.Enter();
        if (!CountersBusy())
            break;
        init_lock_.Leave();
    }
    PreStopLocked();
    SetFlag(init_done_, 0);
    {
        // The job stays pending at the front of the list and is opened again after a start.
        CriticalSectionLock render(render_lock_);
        processed_job_.store(nullptr);
    }
    ComPtr<IQLX_BSTR_Collection> released[5];
    {
        SrwGuard guard(state_lock_);
        released[0] = std::move(rendered_pages_);
        released[1] = std::move(transport_names_);
        released[2] = std::move(format_names_);
        released[3] = std::move(own_printers_);
        released[4] = std::move(system_printers_);
        document_name_.Clear();
        if (!SaveChangedIdentity(options_))
            LogError(L'C', L"CQLX::Stop Cannot save Identity");
    }
    UnloadPlugins();
    categories_.Release();
    InterlockedDecrement(&halting_);
    init_lock_.Leave();
    for (ComPtr<IQLX_BSTR_Collection>& one : released)
        one.Release();
    LogInfo(L'C', L"CQLX::Stop ]");
    return S_OK;
}
