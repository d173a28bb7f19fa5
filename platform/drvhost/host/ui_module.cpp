#include "ui_module.h"

#include <algorithm>

#include "handle.h"
#include "job_objects.h"
#include "plugin_loader.h"

namespace {

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}: the UI plug-in class Unidrv asks for.
constexpr CLSID kUiPluginClass = {
    0xabce80d7, 0x9f46, 0x11d1, {0x88, 0x2a, 0x00, 0xc0, 0x4f, 0xb9, 0x61, 0xec}};
// Room GDI gives the filter.
constexpr UINT kFilterRoom = 16;

bool JobEventExists(DWORD job_id) {
    return UniqueHandle(
               OpenEventW(
                   SYNCHRONIZE, FALSE,
                   JobEventName(LoadObjectPrefix(nullptr), static_cast<long>(job_id)).c_str()))
        .Valid();
}

} // namespace

std::unique_ptr<UiModule> UiModule::Load(const std::wstring& path, std::wstring* error) {
    std::unique_ptr<UiModule> loaded(new UiModule);
    void* plugin = nullptr;
    const bool had = LoadPluginObject(path, kUiPluginClass, IID_IPrintOemUI2, L"UI plug-in",
                                      &loaded->module_, &plugin, error);
    loaded->plugin_ = static_cast<IPrintOemUI2*>(plugin);
    if (!had)
        return nullptr;

    // GDI asks once which events the driver wants and sends only those.
    std::vector<DWORD> words(4 + kFilterRoom, 0);
    auto* filter = reinterpret_cast<DOCEVENT_FILTER*>(words.data());
    filter->cbSize = sizeof(DOCEVENT_FILTER);
    filter->cElementsAllocated = kFilterRoom;
    INT result = 0;
    loaded->plugin_->DocumentEvent(nullptr, nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr,
                                   static_cast<ULONG>(words.size() * sizeof(DWORD)), filter,
                                   &result);
    const UINT returned = std::min(filter->cElementsReturned, kFilterRoom);
    loaded->filter_.assign(filter->aDocEventCall, filter->aDocEventCall + returned);
    return loaded;
}

UiModule::~UiModule() {
    if (plugin_)
        plugin_->Release();
    if (module_)
        FreeLibrary(module_);
}

bool UiModule::Wants(DWORD event) const {
    return std::find(filter_.begin(), filter_.end(), event) != filter_.end();
}

void UiModule::Send(HANDLE printer, DWORD event, ULONG in_bytes, void* in) {
    if (!Wants(event))
        return;
    INT result = 0;
    // A spooled document's events carry the spooled flag, as GDI sends them.
    plugin_->DocumentEvent(printer, nullptr, static_cast<INT>(event | DOCUMENTEVENT_SPOOLED),
                           in_bytes, in, 0, nullptr, &result);
}

void UiModule::StartDocument(HANDLE printer, const std::wstring& printer_name, DWORD job_id) {
    std::wstring device = printer_name;
    DOCEVENT_CREATEDCPRE create = {};
    create.pszDevice = &device[0];
    Send(printer, DOCUMENTEVENT_CREATEDCPRE, sizeof(create), &create);
    LONG job = static_cast<LONG>(job_id);
    Send(printer, DOCUMENTEVENT_STARTDOCPOST, sizeof(job), &job);
    // The relay holds the job's event while it runs; the module let go of its own handle.
    if (JobEventExists(job_id))
        relayed_jobs_.push_back(job_id);
}

std::vector<DWORD> UiModule::WaitForRelays(DWORD timeout_ms) {
    std::vector<DWORD> late;
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (DWORD job : relayed_jobs_) {
        while (JobEventExists(job) && GetTickCount64() < deadline)
            Sleep(50);
        if (JobEventExists(job))
            late.push_back(job);
    }
    relayed_jobs_.clear();
    return late;
}
