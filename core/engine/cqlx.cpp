#include "cqlx.h"

#include <string>

#include "cfg_store.h"
#include "com_result.h"
#include "core_schema.h"
#include "error_info.h"
#include "job_intake.h"
#include "log.h"
#include "plugin_lists.h"
#include "product_key.h"
#include "registry.h"
#include "report_error.h"
#include "system_info.h"

namespace {

const TypeLibrarySource kCoreLibrary = {&LIBID_QLX_CORELib, 6, 0};

constexpr DWORD kEventsThreadEndLimitMs = 10000;

long ThreadId() {
    return static_cast<long>(GetCurrentThreadId());
}

// The per-user product key must exist before anything reads or writes it.
void EnsureUserProductKey() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ProductKey(), 0, KEY_READ | kProductKeyView, &key) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
        return;
    }
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ProductKey(), 0, nullptr, 0,
                        KEY_READ | KEY_WRITE | kProductKeyView, nullptr, &key,
                        nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    else
        LogError(L'C', L"CQLX::FinalConstruct Cannot create the per-user product key");
}

} // namespace

ComPtr<IQLX_BSTR_Collection> Create_BSTR_Collection() noexcept {
    LogInfo(L'O', L"Create_BSTR_Collection");
    ComPtr<IQLX_BSTR_Collection> collection;
    HRESULT hr = CoCreateInstance(CLSID_QLX_BSTR_Collection, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IQLX_BSTR_Collection, collection.AsVoidOut());
    if (FAILED(hr)) {
        LogErrorNum(L'O', L"Create_BSTR_Collection Spawning error", hr);
        return nullptr;
    }
    return collection;
}

const TypeLibrarySource& CQLX::TypeLibrary() {
    return kCoreLibrary;
}

CQLX::CQLX() noexcept
    : events_(static_cast<IConnectionPointContainer*>(this), DIID__IQLXEvents,
              static_cast<ConnectionObserver*>(this)),
      transport_sink_(PluginEventHandler::Kind::kTransport, *this),
      format_sink_(PluginEventHandler::Kind::kFormat, *this),
      poster_(*static_cast<EventDispatcher*>(this)) {}

HRESULT CQLX::FinalConstruct() {
    LogInfoNum(L'C', L"CQLX::FinalConstruct", ThreadId());
    if (LogErrorsOn())
        LogSystemInformation();
    SetFlag(init_done_, 0);
    SetFlag(stopped_, 1);
    SetFlag(stopping_, 1);
    SetFlag(starting_, 1);
    EnsureUserProductKey();
    SetFlag(failed_sends_, 0);
    SetFlag(cancelling_, 0);

    store_.reset(new CfgStore(static_cast<CfgEngine*>(this), std::wstring()));
    DeclareCoreSchema(store_->Core());
    plugins_.reset(new PluginLists(store_->Context()));
    intake_.reset(new JobIntake(*static_cast<IntakeHooks*>(this)));

    if (FAILED(Init()))
        return ReportError(IDS_CANNOT_START_ENGINE);
    SetFlag(stopping_, 0);
    SetFlag(starting_, 0);
    LogInfo(L'C', L"CQLX::FinalConstruct End");
    return S_OK;
}

CQLX::~CQLX() {
    LogInfo(L'C', L"CQLX::FinalRelease");
    // No report of an ended user interface may run into an engine being destroyed.
    ui_connections_.Shutdown();
    // Construction may have failed before the members below were made.
    if (store_)
        StopImpl();
    // The events thread calls into the connection point: it ends before the members go. A
    // listener that hangs in an event must not keep the process alive for ever.
    poster_.Shutdown(kEventsThreadEndLimitMs);
    transport_sink_.Disconnect();
    format_sink_.Disconnect();
    intake_.reset();
}

HRESULT CQLX::ReportError(UINT id, const wchar_t* detail) noexcept {
    return ::ReportError(id, detail, poster_);
}

STDMETHODIMP CQLX::InterfaceSupportsErrorInfo(REFIID iid) {
    return InterfaceInList(iid, {&IID_IQLX});
}

STDMETHODIMP CQLX::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CQLX::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    ConnectionPoint* points[] = {&events_};
    return FindConnectionPointIn(points, 1, iid, out);
}

HRESULT CQLX::CopyCollection(const ComPtr<IQLX_BSTR_Collection>& member,
                             IQLX_BSTR_Collection** out) noexcept {
    RETURN_IF_NULL(out);
    *out = nullptr;
    ComPtr<IQLX_BSTR_Collection> held;
    {
        SrwGuard guard(state_lock_);
        held = member;
    }
    // Released by Stop: the caller gets an empty list rather than what Stop freed.
    if (!held)
        held = Create_BSTR_Collection();
    if (!held)
        return E_OUTOFMEMORY;
    *out = held.Detach();
    return S_OK;
}

HRESULT CQLX::CopyText(const WString& text, BSTR* out) noexcept {
    RETURN_IF_NULL(out);
    *out = SysAllocStringLen(text.c_str(), text.Length());
    return *out ? S_OK : E_OUTOFMEMORY;
}
