#pragma once
#include <windows.h>
#include <comcat.h>
#include <ocidl.h>

#include <atomic>
#include <memory>
#include <string>

#include "busy_counter.h"
#include "cfg_context.h"
#include "com_object.h"
#include "com_ptr.h"
#include "connection_point.h"
#include "core_options.h"
#include "critical_section.h"
#include "dispatch.h"
#include "event_dispatcher.h"
#include "event_poster.h"
#include "handle.h"
#include "identity_source.h"
#include "intake_hooks.h"
#include "page_conversion.h"
#include "plugin_event_sink.h"
#include "qlx_core.h"
#include "qlx_rplugin.h"
#include "qlx_tplugin.h"
#include "replay_handover.h"
#include "srw_lock.h"
#include "ui_connections.h"
#include "wstring.h"

class CfgStore;
class ComBstr;
class JobIntake;
class PluginLists;
class SpoolJob;
class SpoolPage;

// The core settings that shape what a transport reads of the pages, taken together: a save
// keeps the ones it started with.
struct RenderedSettings {
    PageConversion conversion;
    int32_t unicode_prefix = 1;
};

// Set while a job is opened, closed or rendered again (CancelJobWait then goes asynchronous).
class RenderBusyFlag {
public:
    explicit RenderBusyFlag(volatile LONG& flag) : flag_(flag) { InterlockedExchange(&flag_, 1); }
    ~RenderBusyFlag() { InterlockedExchange(&flag_, 0); }
    RenderBusyFlag(const RenderBusyFlag&) = delete;
    RenderBusyFlag& operator=(const RenderBusyFlag&) = delete;

private:
    volatile LONG& flag_;
};

// The engine object of the core server (one per process, handed out by a singleton factory):
// the automation interface, the driver-facing interface, the rendered pages, the _IQLXEvents
// connection point and the sinks for the plug-ins' events.
//
// Locks: init_lock_ serialises Init, PostStart, PreStop and Stop; state_lock_ guards the
// strings, collections and options that getters read from any thread and is held only to copy
// or swap them. Neither is ever held while an event is fired or a counter is waited for.
class CQLX : public DispatchImpl<CQLX, IQLX>,
             public IQLX_INT,
             public IRenderedCollection,
             public ISupportErrorInfo,
             public IConnectionPointContainer,
             public ObjectBase,
             private ConnectionObserver,
             private EventDispatcher,
             private IntakeHooks,
             private CfgEngine,
             private PluginEventHandler,
             private IdentitySource,
             private UiConnections::Owner {
public:
    CQLX() noexcept;
    ~CQLX() override;

    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<CQLX, IQLX>(IID_IQLX),
            QiRow<CQLX, IDispatch, IQLX>(IID_IDispatch),
            QiRow<CQLX, IQLX_INT>(IID_IQLX_INT),
            QiRow<CQLX, IRenderedCollection>(IID_IRenderedCollection),
            QiRow<CQLX, ISupportErrorInfo>(IID_ISupportErrorInfo),
            QiRow<CQLX, IConnectionPointContainer>(IID_IConnectionPointContainer),
        };
        return table;
    }
    static const TypeLibrarySource& TypeLibrary();

    HRESULT FinalConstruct() override;

    // Reports error id (with an optional detail) to the log, the listeners and the calling
    // thread's COM error information; returns the failure the method passes on.
    HRESULT ReportError(UINT id, const wchar_t* detail = nullptr) noexcept;
    EventPoster& Events() { return poster_; }

    // For tests of later work and of the events: posts a whole job's events directly.
    void PostJobEvents(long pages) noexcept;
    // Returns once the job thread and the send threads of a save have ended.
    void WaitForSavesForTests() noexcept {
        processing_counter_.Wait(L"tests: processing");
        send_counter_.Wait(L"tests: saving");
    }
    // Whether the open job's pages have all been rendered.
    bool JobRenderedForTests() const noexcept { return JobRendered(); }
    // The cancel counter, which a cancel thread holds while it runs.
    BusyCounter& CancelCounter() { return cancel_counter_; }
    // Takes the initialisation lock for as long as the callback runs (tests of lock order).
    template <class Body> void WithInitLock(Body&& body) {
        CriticalSectionLock hold(init_lock_);
        body();
    }
    bool PluginSinksConnected() const { return Flag(stopped_) == 0; }
    unsigned ConnectedPluginSinks() noexcept;

    // IQLX
    STDMETHODIMP get_value(BSTR Name, VARIANT* pVal) override;
    STDMETHODIMP put_value(BSTR Name, VARIANT newVal) override;
    STDMETHODIMP GetPage(LONG page_id, BSTR* text) override;
    STDMETHODIMP SavePage(LONG page_number) override;
    STDMETHODIMP SavePageWait(LONG page_number) override;
    STDMETHODIMP UpdatePage(LONG page_id, BSTR new_text) override;
    STDMETHODIMP SaveAllPages() override;
    STDMETHODIMP SaveAllPagesWait() override;
    STDMETHODIMP CancelJob() override;
    STDMETHODIMP CancelJobWait() override;
    STDMETHODIMP CancelAllJobs() override;
    STDMETHODIMP SaveConfiguration() override;
    STDMETHODIMP SaveCommonConfiguration() override;
    STDMETHODIMP Redirect(BSTR printer, BSTR document) override;
    STDMETHODIMP RedirectWait(BSTR printer, BSTR document) override;
    STDMETHODIMP LoadUI() override;
    STDMETHODIMP UnloadUI() override;
    STDMETHODIMP GetEMFPage(LONG page_id, BSTR file_name) override;
    STDMETHODIMP SetEMFPage(LONG page_id, BSTR file_name) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_DocumentName(BSTR* pVal) override;
    STDMETHODIMP get_TotalPages(LONG* pVal) override;
    STDMETHODIMP get_RenderedPages(LONG* pVal) override;
    STDMETHODIMP get_JobProperty(BSTR Name, VARIANT* pVal) override;
    STDMETHODIMP get_TotalJobs(LONG* pVal) override;
    STDMETHODIMP get_Listeners(LONG* pVal) override;
    STDMETHODIMP get_AutoSave(LONG* pVal) override;
    STDMETHODIMP put_AutoSave(LONG newVal) override;
    STDMETHODIMP get_Identity(LONG* pVal) override;
    STDMETHODIMP put_Identity(LONG newVal) override;
    STDMETHODIMP get_UILoaded(LONG* pVal) override;
    STDMETHODIMP put_UILoaded(LONG newVal) override;
    STDMETHODIMP put_UILoadedWithEvents(LONG newVal) override;
    STDMETHODIMP get_Format(BSTR* pVal) override;
    STDMETHODIMP put_Format(BSTR newVal) override;
    STDMETHODIMP get_FormatParam(BSTR plugin, BSTR param, VARIANT* pVal) override;
    STDMETHODIMP put_FormatParam(BSTR plugin, BSTR param, VARIANT newVal) override;
    STDMETHODIMP put_FormatParamNoCheck(BSTR plugin, BSTR param, VARIANT newVal) override;
    STDMETHODIMP get_FormatPluginNames(IQLX_BSTR_Collection** pVal) override;
    STDMETHODIMP FormatCheckSettings(BSTR plugin) override;
    STDMETHODIMP get_Transport(BSTR* pVal) override;
    STDMETHODIMP put_Transport(BSTR newVal) override;
    STDMETHODIMP get_TransportParam(BSTR plugin, BSTR param, VARIANT* pVal) override;
    STDMETHODIMP put_TransportParam(BSTR plugin, BSTR param, VARIANT newVal) override;
    STDMETHODIMP put_TransportParamNoCheck(BSTR plugin, BSTR param, VARIANT newVal) override;
    STDMETHODIMP get_TransportPluginNames(IQLX_BSTR_Collection** pVal) override;
    STDMETHODIMP TransportCheckSettings(BSTR plugin) override;
    STDMETHODIMP get_printer(BSTR* pVal) override;
    STDMETHODIMP put_printer(BSTR newVal) override;
    STDMETHODIMP get_Printers(IQLX_BSTR_Collection** pVal) override;
    STDMETHODIMP get_RedirectPrinter(BSTR* pVal) override;
    STDMETHODIMP put_RedirectPrinter(BSTR newVal) override;
    STDMETHODIMP get_SystemPrinters(IQLX_BSTR_Collection** pVal) override;
    STDMETHODIMP get_DefaultPrinter(BSTR* pVal) override;

    // IQLX_INT
    STDMETHODIMP int_StartJob(BSTR printer_name, BSTR Format, LONG job_id, LONG DPI,
                              BSTR document_name) override;
    STDMETHODIMP int_StartPage(LONG x, LONG y) override;
    STDMETHODIMP int_Add(LONG x0, LONG y0, LONG x1, LONG y1, BSTR text, BSTR fnt) override;
    STDMETHODIMP int_EndJob() override;
    STDMETHODIMP int_AddRemovePrinter() override;
    STDMETHODIMP int_DefaultPrinterChanged(BSTR new_printer) override;

    // IRenderedCollection
    STDMETHODIMP Item(LONG index, VARIANT* pVal) override;
    STDMETHODIMP Count(LONG* pVal) override;
    STDMETHODIMP GetItem(LONG idx, BSTR* pVal) override;
    STDMETHODIMP Unicode(LONG* pVal) override;
    STDMETHODIMP ItemSize(LONG index, LONG* pVal) override;
    STDMETHODIMP TranslateString(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                                 BSTR* output) override;
    STDMETHODIMP JobSize(LONG* pVal) override;

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

private:
    static LONG Flag(const volatile LONG& flag) {
        return InterlockedCompareExchange(const_cast<volatile LONG*>(&flag), 0, 0);
    }
    static void SetFlag(volatile LONG& flag, LONG value) { InterlockedExchange(&flag, value); }

    // Lifecycle
    HRESULT Init() noexcept;
    HRESULT InitLocked(std::wstring* selected);
    HRESULT CreateCollections();
    HRESULT LoadPlugins();
    void UnloadPlugins() noexcept;
    HRESULT PostStartImpl() noexcept;
    void PreStop() noexcept;
    void PreStopLocked() noexcept;
    void Try_to_stop() noexcept;
    bool CancelInFlight() const noexcept {
        return Flag(cancelling_) != 0 || cancel_counter_.Count() > 0;
    }
    // PreStop when no job is received or processed and no listener is left. Never waits, so
    // any thread may call it, a posting one included.
    void StopIfIdle() noexcept;
    HRESULT StopImpl() noexcept;
    void WaitSemaphores() noexcept;
    // Busy with threads other than the calling one.
    bool CountersBusy() const noexcept;
    void ConnectPluginSinks() noexcept;
    void DisconnectPluginSinks() noexcept;
    void ApplyPrinterDefaults() noexcept;
    // Makes the printer current and loads its configuration; with reload also when it is
    // current already. Events go out once the method has let go of every lock.
    HRESULT put_PrinterImpl(const wchar_t* name, bool reload = false) noexcept;
    HRESULT SelectPrinterLocked(const wchar_t* name);
    // Enumerates the printers into new lists that replace the old ones at once, and chooses
    // the default own printer (current stays when it is still an own printer); *chosen is the
    // printer to select, empty when there is none.
    HRESULT InitPrinters(const std::wstring& current, std::wstring* chosen);

    // Settings (cqlx_settings.cpp)
    HRESULT put_TransportParamImpl(BSTR plugin, BSTR param, const VARIANT& value,
                                   bool noCheck) noexcept;
    HRESULT put_FormatParamImpl(BSTR plugin, BSTR param, const VARIANT& value,
                                bool noCheck) noexcept;
    HRESULT PutPluginParam(bool transport, BSTR plugin, BSTR param, const VARIANT& value,
                           bool noCheck) noexcept;
    HRESULT RefuseSetting(const wchar_t* target, const wchar_t* param, UINT id,
                          const wchar_t* detail = nullptr) noexcept;
    bool put_FormatImpl(const wchar_t* name) noexcept;
    HRESULT SaveConfigurationTo(CfgTree tree) noexcept;
    std::wstring CurrentPrinter() const;
    // Renders the open job again with the selected format's settings, on the calling thread.
    void Rerender() noexcept;

    // Rendered page collection (cqlx_rendered.cpp)
    RenderedSettings ReadRenderedSettings() noexcept;
    ComPtr<IQLX_BSTR_Collection> RenderedPages() const noexcept;
    // The stored text of a page for conversion; E_FAIL (logged) for an index out of range or
    // while a cancel runs.
    HRESULT PageText(LONG index, ComBstr& text) noexcept;
    HRESULT ItemWith(LONG index, const RenderedSettings& settings, VARIANT* pVal) noexcept;
    HRESULT ItemSizeWith(LONG index, const RenderedSettings& settings, LONG* pVal) noexcept;
    static HRESULT UnicodeWith(const RenderedSettings& settings, LONG* pVal) noexcept;
    // IdentitySource
    long TakeIdentity() noexcept override;

    // Saving (cqlx_saving.cpp)
public:
    struct SaveRun;

private:
    friend class SaveView;
    // One save at a time: claimed in one step, so two saves at once start one.
    bool ClaimSave() noexcept;
    HRESULT SendPage(LONG index, bool whole_job) noexcept;
    void AddSaveEntries(SpoolJob& job) noexcept;
    static DWORD WINAPI send_thread(void* param) noexcept;
    bool SendThroughTransport(SaveRun& run, IQLX_TPLUGIN* plugin) noexcept;
    void FinishSend(SaveRun& run, bool never_started) noexcept;
    void AbortProcessing(bool whole_job, UINT id) noexcept;
    void WaitForSave() noexcept;
    // The error of a page request for the processed job (no job, page out of range); 0: none.
    UINT RefusePageOfJob(LONG page_number) noexcept;

    // Job processing (cqlx_jobs.cpp)
    static DWORD WINAPI open_job_thread(void* self) noexcept;
    static DWORD WINAPI cancel_thread(void* self) noexcept;
    static DWORD WINAPI cancel_all_thread(void* self) noexcept;
    void OpenJobImpl() noexcept;
    // True when every page was rendered or the job processing was told to stop; false when a
    // wait for the capture timed out.
    bool render_all(SpoolJob& job, IQLX_RPLUGIN* format) noexcept;
    void RenderPage(unsigned index, const SpoolPage& page, IQLX_RPLUGIN* format, BSTR* text);
    // Waits for the page event until ready() holds or the processing is told to stop (true),
    // or one wait of PrintTimeout passes without either (false).
    template <class Ready> bool WaitForCapture(const wchar_t* text, Ready&& ready) noexcept;
    bool ProcessingInterrupted() const noexcept {
        return Flag(cancelling_) != 0 || Flag(halting_) != 0;
    }
    // Wakes a job thread that waits for the capture, so that it sees a cancel or a stop.
    void WakeJobThread() noexcept;
    // CloseJob's waits, which run before render_lock is taken: the awaited threads may need it.
    void WaitBeforeClosing() noexcept;
    // Closes the processed job when it is still the one of that serial (0: none).
    void CloseJobIf(uint64_t serial) noexcept;
    // The serial of the job being processed, 0 when none.
    uint64_t ProcessedSerial() noexcept;
    void CloseJobLocked() noexcept;
    void DropProcessedJobLocked(SpoolJob* job) noexcept;
    void KeepProcessedJobLocked(SpoolJob* job) noexcept;
    // Starts a thread that adopts a share of counter entered for it; false (share left) when
    // it can't be started.
    bool StartWorker(LPTHREAD_START_ROUTINE entry, BusyCounter& counter,
                     const wchar_t* failure) noexcept;
    // True for a job thread or a send thread: it must not wait for its own kind.
    bool OnWorkerThread() const noexcept;
    void CancelJobImpl() noexcept;
    void CancelAllJobsImpl() noexcept;
    void AbortSpooler(long job_id) noexcept;
    void AbortSpoolerAll() noexcept;
    bool TestAndSetCancelling() noexcept {
        return InterlockedCompareExchange(&cancelling_, 1, 0) == 0;
    }
    DWORD PrintTimeoutMs() const noexcept;

    // User interfaces (cqlx_ui.cpp)
    // The last user interface went: changed settings are saved per user and the idle engine
    // lets its plug-ins go.
    void OnLastUiDisconnected() noexcept;
    void OnUiProcessEnded(DWORD pid, LONG dropped, LONG remaining) noexcept override;
    HRESULT StartReplay() noexcept;
    static DWORD WINAPI update_ui_thread(void* self) noexcept;
    void ReplayJobToUI() noexcept;
    LONG RenderedPageCount() noexcept;
    bool JobOpen() const noexcept;
    bool JobRendered() const noexcept;
    // The open job's document name; false when no job is open.
    bool OpenJobDocument(std::wstring* name) const noexcept;
    // The job thread's half of the replay hand-over: a page's text added to the rendered
    // pages, and the job marked rendered. True when the caller posts the event itself
    // (OnPageRendered with *index, OnAllPagesRendered); false while a replay posts it.
    bool AddRenderedPage(BSTR text, LONG* index) noexcept;
    bool MarkJobRendered() noexcept;
    // A reference to a collection member, or a new empty collection when it was released.
    HRESULT CopyCollection(const ComPtr<IQLX_BSTR_Collection>& member,
                           IQLX_BSTR_Collection** out) noexcept;
    static HRESULT CopyText(const WString& text, BSTR* out) noexcept;

    // ConnectionObserver
    void OnAdvised(DWORD cookie) noexcept override;
    void OnUnadvised(DWORD cookie) noexcept override;
    void OnSinkDropped(DWORD cookie) noexcept override;
    // EventDispatcher
    void Dispatch(DISPID dispid, DISPPARAMS* params) noexcept override;
    // PluginEventHandler
    void OnPluginChangeParam(Kind kind, BSTR plugin, BSTR param,
                             const VARIANT& value) noexcept override;
    void OnPluginError(BSTR plugin, BSTR message) noexcept override;
    void OnPluginProgress(BSTR plugin, long value) noexcept override;
    // CfgEngine
    LONG UILoadedCount() override;
    void PostOnSettingChanged(BSTR target, BSTR param, const VARIANT& newVal) override;

    // IntakeHooks
    HRESULT PostStart() override;
    void OpenJob() override;
    bool IsProcessingJob(long job_id) override;
    void SignalPage() override;
    void WaitProcessingEnd() override;
    HRESULT SpoolFolder(WString* folder) override;
    long Autosave() override;
    long WaitUILoaded() override;
    long AsyncProcessing() override;
    HRESULT StartUI() override;
    HRESULT GetOwnPrinters(WStringArray* names) override;
    HRESULT GetCurrentPrinter(WString* name) override;
    HRESULT RenewPrinterLists() override;
    void SetCurrentPrinterName(const wchar_t* name) override;
    HRESULT GetDefaultOwnPrinter(WString* name) override;
    void SetDefaultOwnPrinter(const wchar_t* name) override;
    HRESULT SelectPrinter(const wchar_t* name) override;
    HRESULT ApplyRedirectPrinter() override;
    void SetSystemDefaultPrinter(const wchar_t* name) override;
    void PostAddRemovePrinter(long change) override;
    void UpdateTransportsUI(long reason) override;

    // Declared first so that it goes last: its reference count is the engine's.
    ConnectionPoint events_;
    PluginEventSink transport_sink_;
    PluginEventSink format_sink_;
    EventPoster poster_;

    CriticalSection init_lock_;
    CriticalSection identity_lock_; // orders the writes of the advancing identity counter
    mutable SrwLock state_lock_;

    volatile LONG init_done_ = 0;
    volatile LONG stopped_ = 1;
    volatile LONG stopping_ = 1;
    volatile LONG starting_ = 1;
    volatile LONG cancelling_ = 0;
    volatile LONG failed_sends_ = 0;
    // Stops in progress: while one waits for the worker threads no job thread is started.
    volatile LONG halting_ = 0;
    // Set from a save's claim until its send threads are counted.
    volatile LONG save_starting_ = 0;
    // Counts the jobs opened (under render_lock), so that a close meant for one job never
    // closes the next; the cancel's job is taken when the cancel is asked for.
    uint64_t processed_serial_ = 0;
    uint64_t cancel_serial_ = 0;

    // Opening, closing and re-rendering jobs; taken before the JobList's lock, never after.
    CriticalSection render_lock_;
    volatile LONG render_busy_ = 0;
    // Auto-reset: set by the intake at each page start and at the job's end.
    UniqueHandle page_event_{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    volatile LONG page_signal_pending_ = 0;

    // Guarded by state_lock_.
    ComPtr<IQLX_BSTR_Collection> rendered_pages_;
    ComPtr<IQLX_BSTR_Collection> format_names_;
    ComPtr<IQLX_BSTR_Collection> transport_names_;
    ComPtr<IQLX_BSTR_Collection> own_printers_;
    ComPtr<IQLX_BSTR_Collection> system_printers_;
    WString printer_;
    WString default_own_printer_;
    WString system_default_printer_;
    CoreOptions options_;
    std::wstring spool_folder_;
    WString document_name_;

    ComPtr<ICatInformation> categories_; // only while plug-ins are discovered (init_lock_)

    BusyCounter send_counter_;
    BusyCounter redirect_counter_;
    BusyCounter cancel_counter_;
    BusyCounter processing_counter_;
    BusyCounter ui_update_counter_;
    ReplayHandover replay_{ui_update_counter_};

    // The job being processed: set and cleared by the job processing, under render_lock.
    std::atomic<SpoolJob*> processed_job_{nullptr};
    UiConnections ui_connections_{*static_cast<UiConnections::Owner*>(this)};

    std::unique_ptr<CfgStore> store_;
    std::unique_ptr<PluginLists> plugins_; // uses the store's context: declared after it
    std::unique_ptr<JobIntake> intake_;
};

// Creates a string collection (the collection class, in process); null on failure, logged.
ComPtr<IQLX_BSTR_Collection> Create_BSTR_Collection() noexcept;
