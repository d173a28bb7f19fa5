// The engine test server: a 32-bit local server that serves the real engine through a
// singleton factory, with the fake plug-ins and the string collection in its own class table,
// and a hook through which tests drive posts that later work will make. "/RegServer" and
// "/UnregServer" register its classes and the core's type library; otherwise it serves until
// its objects are gone (or a minute passes without any client).
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "class_factory.h"
#include "com_bstr.h"
#include "com_result.h"
#include "cqlx.h"
#include "engine_paths.h"
#include "engine_server_ids.h"
#include "engine_test_env.h"
#include "event_recorder.h"
#include "fake_plugins.h"
#include "log.h"
#include "product_key.h"
#include "reg_key.h"
#include "registration.h"

namespace {

SingletonFactory<CQLX> g_engineFactory;
FakePluginSet* g_plugins = nullptr;
volatile LONG g_hooks = 0;

std::wstring Word(const std::wstring& line, size_t index) {
    size_t start = 0;
    for (size_t i = 0; i < index; ++i) {
        start = line.find(L' ', start);
        if (start == std::wstring::npos)
            return L"";
        ++start;
    }
    const size_t end = line.find(L' ', start);
    return line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

// Commands: "pid"; "record" (an in-server listener), "recorded" (its events as
// "dispid(args)@thread"); "post N" (a job of N pages posted from a new thread; output
// "poster=<thread>"); "flow on" / "flow off" (a two-page job every 10 ms until off); "error NAME
// TEXT" (the fake transport NAME fires OnError); "param NAME PARAM" (what the fake transport
// NAME holds); "job N" (a captured job opened and rendered with N pages, with their events);
// "listeners"; "disconnect" (every remote reference to the engine and its events point dropped, as
// the system does for a client process that died).
class EngineHook : public IQLX_BSTR_Collection, public ObjectBase {
public:
    EngineHook() { InterlockedIncrement(&g_hooks); }
    ~EngineHook() override {
        StopFlow();
        if (recorder_ && point_)
            point_->Unadvise(cookie_);
        point_.Release();
        recorderSink_.Release();
        engine_.Release();
        InterlockedDecrement(&g_hooks);
    }
    static const auto& QiTable() {
        static const QiEntry table[] = {
            QiRow<EngineHook, IQLX_BSTR_Collection>(IID_IQLX_BSTR_Collection),
        };
        return table;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Item(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP get_Count(LONG* count) override {
        *count = static_cast<LONG>(output_.size());
        return S_OK;
    }
    STDMETHODIMP get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
    STDMETHODIMP Add(BSTR text) override {
        return GuardedCall([&] { return Run(text ? text : L""); });
    }
    STDMETHODIMP Replace(LONG, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP Remove(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveAll() override {
        output_.clear();
        return S_OK;
    }
    STDMETHODIMP GetItem(LONG index, BSTR* text) override {
        if (index < 0 || static_cast<size_t>(index) >= output_.size())
            return E_INVALIDARG;
        *text = SysAllocString(output_[index].c_str());
        return *text ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP Insert(LONG, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP Contains(BSTR, LONG*) override { return E_NOTIMPL; }

private:
    HRESULT Engine(CQLX** engine) {
        if (!engine_)
            RETURN_IF_FAILED(
                g_engineFactory.CreateInstance(nullptr, IID_IQLX, engine_.AsVoidOut()));
        *engine = static_cast<CQLX*>(engine_.Get());
        return S_OK;
    }

    HRESULT Run(const std::wstring& line) {
        const std::wstring command = Word(line, 0);
        if (command == L"pid") {
            output_.push_back(std::to_wstring(GetCurrentProcessId()));
            return S_OK;
        }
        CQLX* engine = nullptr;
        RETURN_IF_FAILED(Engine(&engine));
        if (command == L"record") {
            recorderSink_ = EventRecorder::Make(&recorder_);
            RETURN_IF_FAILED(EventsPoint(engine_, &point_));
            return point_->Advise(recorderSink_, &cookie_);
        }
        if (command == L"recorded") {
            if (!recorder_)
                return E_FAIL;
            for (const ReceivedEvent& e : recorder_->Events())
                output_.push_back(std::to_wstring(e.dispid) + e.args + L"@" +
                                  std::to_wstring(e.thread));
            return S_OK;
        }
        if (command == L"post") {
            const long pages = wcstol(Word(line, 1).c_str(), nullptr, 10);
            DWORD poster = 0;
            std::thread job([&] {
                poster = GetCurrentThreadId();
                engine->PostJobEvents(pages);
            });
            job.join();
            output_.push_back(L"poster=" + std::to_wstring(poster));
            return S_OK;
        }
        if (command == L"flow") {
            StopFlow();
            if (Word(line, 1) == L"on") {
                flowing_ = true;
                // Paced like a busy printer: posting without pause would only grow the queue
                // faster than remote listeners take it.
                flow_ = std::thread([this, engine] {
                    while (flowing_) {
                        engine->PostJobEvents(2);
                        Sleep(10);
                    }
                });
            }
            return S_OK;
        }
        if (command == L"error") {
            FakeTransport* transport = g_plugins->Transport(Word(line, 1).c_str());
            if (!transport)
                return E_INVALIDARG;
            transport->FireError(Word(line, 2).c_str());
            return S_OK;
        }
        if (command == L"disconnect") {
            ComPtr<IConnectionPoint> point;
            RETURN_IF_FAILED(EventsPoint(engine_, &point));
            RETURN_IF_FAILED(CoDisconnectObject(point, 0));
            return CoDisconnectObject(engine_, 0);
        }
        if (command == L"param") {
            FakeTransport* transport = g_plugins->Transport(Word(line, 1).c_str());
            if (!transport)
                return E_INVALIDARG;
            output_.push_back(transport->Value(Word(line, 2).c_str()));
            return S_OK;
        }
        if (command == L"job") {
            const long pages = wcstol(Word(line, 1).c_str(), nullptr, 10);
            RETURN_IF_FAILED(engine->int_StartJob(ComBstr(L"Quorvane Text Printer"),
                                                  ComBstr(L"TEXT"), 9, 300, ComBstr(L"doc")));
            for (long page = 0; page < pages; ++page) {
                RETURN_IF_FAILED(engine->int_StartPage(1000, 1400));
                RETURN_IF_FAILED(engine->int_Add(0, 0, 10, 10, ComBstr(L"text"), nullptr));
            }
            RETURN_IF_FAILED(engine->int_EndJob());
            // Rendered once the job thread has posted the job's last event.
            for (int i = 0; i < 1000 && !engine->JobRenderedForTests(); ++i)
                Sleep(10);
            return engine->JobRenderedForTests() ? S_OK : E_FAIL;
        }
        if (command == L"listeners") {
            LONG count = 0;
            RETURN_IF_FAILED(engine_->get_Listeners(&count));
            output_.push_back(std::to_wstring(count));
            return S_OK;
        }
        return E_INVALIDARG;
    }

    void StopFlow() {
        flowing_ = false;
        if (flow_.joinable())
            flow_.join();
    }

    ComPtr<IQLX> engine_;
    std::vector<std::wstring> output_;
    EventRecorder* recorder_ = nullptr;
    ComPtr<IDispatch> recorderSink_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    std::atomic<bool> flowing_{false};
    std::thread flow_;
};

ComClassRegistration Entry(const CLSID& clsid, const wchar_t* name, const wchar_t* path) {
    return {&clsid, name,    nullptr, nullptr, ServerKind::kLocalServer,
            path,   nullptr, nullptr, nullptr, nullptr};
}

int Register(bool add) {
    wchar_t path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return 3;
    const ComClassRegistration entries[] = {
        Entry(kEngineServerClsid, L"QLX Engine Test Server", path),
        Entry(kEngineHookClsid, L"QLX Engine Test Hook", path)};
    if (add && FAILED(RegisterTypeLibraryFile(path)))
        return 5;
    if (!add)
        UnregisterTypeLibraryFile(path);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        for (const ComClassRegistration& entry : entries) {
            HRESULT hr = add ? RegisterComClass(entry, view) : UnregisterComClass(entry, view);
            if (FAILED(hr))
                return 4;
        }
    }
    return 0;
}

// The product key the test chose, so that the server reads the test's options.
void UseTestProductKey() {
    RegKey key;
    wchar_t path[kProductKeyRoom] = {};
    DWORD bytes = sizeof(path) - sizeof(wchar_t);
    if (key.Open(HKEY_CURRENT_USER, kEngineServerSettingsKey, KEY_QUERY_VALUE) &&
        RegQueryValueExW(key.Get(), kEngineServerProductKeyValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(path), &bytes) == ERROR_SUCCESS &&
        path[0])
        SetProductKey(path);
}

int Serve() {
    UseTestProductKey();
    LoadLogConfig();
    CollectionClass collection;
    if (FAILED(collection.Register(QLX_COLLECTION_DLL)))
        return 7;
    FakePluginSet plugins;
    if (FAILED(plugins.Result()))
        return 8;
    g_plugins = &plugins;
    {
        ClassObjectRegistration engine, hook;
        ClassFactory<EngineHook> hookFactory;
        if (FAILED(engine.Register(kEngineServerClsid, &g_engineFactory)) ||
            FAILED(hook.Register(kEngineHookClsid, &hookFactory)))
            return 6;
        // Ends once every client object has been gone for a while (the fake plug-ins live
        // as long as the server), or a minute after start without any.
        const ULONGLONG start = GetTickCount64();
        ULONGLONG idleSince = 0;
        bool served = false;
        for (;;) {
            Sleep(50);
            const bool busy =
                g_engineFactory.HasObject() || InterlockedCompareExchange(&g_hooks, 0, 0) > 0;
            const ULONGLONG now = GetTickCount64();
            if (busy) {
                served = true;
                idleSince = 0;
                continue;
            }
            if (!idleSince)
                idleSince = now;
            if ((served && now - idleSince > 1500) || now - start > 60000)
                break;
        }
    }
    g_plugins = nullptr;
    UnloadLogConfig();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 2;
    int result;
    if (argc > 1 && (wcscmp(argv[1], L"/RegServer") == 0 || wcscmp(argv[1], L"-RegServer") == 0))
        result = Register(true);
    else if (argc > 1 &&
             (wcscmp(argv[1], L"/UnregServer") == 0 || wcscmp(argv[1], L"-UnregServer") == 0))
        result = Register(false);
    else
        result = Serve();
    CoUninitialize();
    return result;
}
