#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "build_paths.h"
#include "child_process.h"
#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "engine_paths.h"
#include "engine_server_ids.h"
#include "engine_test_env.h"
#include "event_dispids.h"
#include "event_recorder.h"
#include "handle.h"
#include "program_run.h"
#include "qlx_core.h"
#include "reg_key.h"
#include "registration.h"
#include "temp_dir.h"
#include "test_printers.h"
#include "test_product_key.h"

namespace {

HRESULT CallRegistration(const wchar_t* path, bool add) {
    HMODULE module = LoadLibraryW(path);
    if (!module)
        return HRESULT_FROM_WIN32(GetLastError());
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Export>(reinterpret_cast<void*>(
        GetProcAddress(module, add ? "DllRegisterServer" : "DllUnregisterServer")));
    HRESULT hr = entry ? entry() : E_NOINTERFACE;
    FreeLibrary(module);
    return hr;
}

// "dispid(args)@thread" lines of the server's own listener, split.
struct ServerEvent {
    std::wstring line;
    DWORD thread;
};

// Whether the lines are whole jobs one after another (start, pages from 0, all rendered);
// the page count of the last one.
bool WholeJobs(const std::vector<std::wstring>& lines, long* lastPages) {
    *lastPages = -1;
    size_t i = 0;
    while (i < lines.size()) {
        if (lines[i++] != L"1")
            return false;
        long page = 0;
        while (i < lines.size() && lines[i] == L"3(" + std::to_wstring(page) + L")") {
            ++i;
            ++page;
        }
        if (i == lines.size())
            return true; // the job is still arriving
        if (lines[i++] != L"4")
            return false;
        *lastPages = page;
    }
    return true;
}

// A listener in a process of its own: connects to the running engine, says so through the
// named event, and waits to be killed. A failure ends it with the failing call's result.
QLX_TEST_CHILD(listener) {
    if (argc < 1)
        return 2;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr))
        return hr;
    ComPtr<IQLX> engine;
    hr = CoCreateInstance(kEngineServerClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                          engine.AsVoidOut());
    if (FAILED(hr))
        return hr;
    ComPtr<IConnectionPoint> point;
    hr = EventsPoint(engine, &point);
    if (FAILED(hr))
        return hr;
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    hr = point->Advise(sink, &cookie);
    if (FAILED(hr))
        return hr;
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[0]));
    SetEvent(ready.Get());
    Sleep(60000);
    return 5;
}

// A user interface in a process of its own: connects to the running engine as one, says so
// through the named event, and waits to be killed.
QLX_TEST_CHILD(ui) {
    if (argc < 1)
        return 2;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr))
        return hr;
    ComPtr<IQLX> engine;
    hr = CoCreateInstance(kEngineServerClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                          engine.AsVoidOut());
    if (FAILED(hr))
        return hr;
    hr = engine->put_UILoaded(1);
    if (FAILED(hr))
        return hr;
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[0]));
    SetEvent(ready.Get());
    Sleep(60000);
    return 5;
}

// The real engine in the engine test server, reached from this process through the proxies,
// with the product's printer in the prefix and the test's own options.
class EngineServer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        RegKey settings;
        ASSERT_TRUE(settings.Create(HKEY_CURRENT_USER, kEngineServerSettingsKey, KEY_SET_VALUE));
        const std::wstring& path = key_.Path();
        ASSERT_EQ(RegSetValueExW(settings.Get(), kEngineServerProductKeyValue, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(path.c_str()),
                                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        key_.SetString(HKEY_LOCAL_MACHINE, L"DriverPath", folder_.Path());
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", folder_.File(L"core.log"));
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName", L"QlxEngineServerTestLog");
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 3);
        registered_ = true;
        ASSERT_EQ(RunProgram(Quoted(QLX_ENGINE_SERVER) + L" /RegServer"), 0);
        ASSERT_EQ(RegisterTypeLibraryFile(QLX_CORE_TLB), S_OK);
        ASSERT_EQ(CallRegistration(QLX_OWN_PS_DLL, true), S_OK);
    }

    void TearDown() override {
        if (!initialized_)
            return;
        EndServer();
        if (registered_) {
            EXPECT_EQ(CallRegistration(QLX_OWN_PS_DLL, false), S_OK);
            UnregisterTypeLibraryFile(QLX_CORE_TLB);
            EXPECT_EQ(RunProgram(Quoted(QLX_ENGINE_SERVER) + L" /UnregServer"), 0);
        }
        CoUninitialize();
    }

    // The hook first (it lives without the engine), then the engine.
    void ConnectHook() {
        ASSERT_EQ(CoCreateInstance(kEngineHookClsid, nullptr, CLSCTX_LOCAL_SERVER,
                                   IID_IQLX_BSTR_Collection, hook_.AsVoidOut()),
                  S_OK);
        const std::vector<std::wstring> pid = Run(L"pid");
        ASSERT_EQ(pid.size(), 1u);
        server_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                  wcstoul(pid[0].c_str(), nullptr, 10)));
        ASSERT_TRUE(server_.Valid());
    }
    void Connect() {
        ConnectHook();
        ASSERT_EQ(CoCreateInstance(kEngineServerClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                                   engine_.AsVoidOut()),
                  S_OK);
        ASSERT_EQ(EventsPoint(engine_, &point_), S_OK);
    }

    // Runs a hook command; its output lines.
    std::vector<std::wstring> Run(const wchar_t* command) {
        std::vector<std::wstring> lines;
        EXPECT_EQ(hook_->RemoveAll(), S_OK);
        EXPECT_EQ(hook_->Add(ComBstr(command)), S_OK) << "hook command failed";
        LONG count = 0;
        EXPECT_EQ(hook_->get_Count(&count), S_OK);
        for (LONG i = 0; i < count; ++i) {
            ComBstr line;
            EXPECT_EQ(hook_->GetItem(i, &line), S_OK);
            lines.emplace_back(line.c_str(), line.Length());
        }
        return lines;
    }
    std::vector<ServerEvent> ServerEvents() {
        std::vector<ServerEvent> events;
        for (const std::wstring& line : Run(L"recorded")) {
            const size_t at = line.rfind(L'@');
            events.push_back({line.substr(0, at), wcstoul(line.c_str() + at + 1, nullptr, 10)});
        }
        return events;
    }
    LONG Listeners() {
        LONG count = -1;
        EXPECT_EQ(engine_->get_Listeners(&count), S_OK);
        return count;
    }
    std::string LogText() {
        std::string text;
        ReadWholeFile(folder_.File(L"core.log"), &text);
        return text;
    }

    // Releasing the last object ends the server; one that stays is killed and fails the test.
    void EndServer() {
        engine_.Release();
        point_.Release();
        hook_.Release();
        if (!server_.Valid())
            return;
        if (WaitForSingleObject(server_.Get(), 20000) != WAIT_OBJECT_0) {
            TerminateProcess(server_.Get(), 1);
            ADD_FAILURE() << "the server did not end after its last client let go";
        }
        server_.Reset();
    }

    // A dead listener's sink is dropped at the firing that finds it dead: posts one-page jobs
    // until the count is down to what it should be (bounded).
    void PostUntilListenersAre(LONG count) {
        const ULONGLONG end = GetTickCount64() + 20000;
        while (Listeners() > count && GetTickCount64() < end)
            Run(L"post 1");
        EXPECT_EQ(Listeners(), count);
    }

    // Whether the log shows then after first, once the server wrote it (bounded).
    bool LogShows(const char* first, const char* then) {
        const ULONGLONG end = GetTickCount64() + 10000;
        for (;;) {
            const std::string log = LogText();
            const size_t at = log.find(first);
            if (at != std::string::npos && log.find(then, at) != std::string::npos)
                return true;
            if (GetTickCount64() >= end)
                return false;
            Sleep(50);
        }
    }

    void CheckJobEvents(bool async);

    // Posts a job of 20 pages behind whatever flowed before and waits for it while events
    // still arrive: all the recorder received must be whole jobs in posting order, this one
    // last.
    void ExpectEveryJobArrives(EventRecorder* recorder) {
        Run(L"post 20");
        long lastPages = -1;
        bool whole = true;
        size_t seen = 0;
        for (ULONGLONG lastArrival = GetTickCount64(); GetTickCount64() - lastArrival < 5000;) {
            Sleep(200);
            const std::vector<std::wstring> lines = recorder->Lines({1, 3, 4});
            if (lines.size() != seen) {
                seen = lines.size();
                lastArrival = GetTickCount64();
            }
            whole = WholeJobs(lines, &lastPages);
            if (!whole || lastPages == 20)
                break;
        }
        EXPECT_TRUE(whole) << "an event was lost or came out of order";
        EXPECT_EQ(lastPages, 20) << seen << " events arrived";
    }

    // The listener process, killed when the test ends.
    struct ListenerProcess {
        UniqueHandle process;
        ~ListenerProcess() { Kill(); }
        void Kill() {
            if (!process.Valid())
                return;
            TerminateProcess(process.Get(), 1);
            WaitForSingleObject(process.Get(), 10000);
            process.Reset();
        }
    };
    void StartListenerProcess(ListenerProcess* child, const wchar_t* kind = L"listener") {
        const std::wstring readyName =
            L"QlxEngineListenerReady" + std::to_wstring(GetCurrentProcessId());
        UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
        child->process = StartChild(kind, readyName);
        ASSERT_TRUE(child->process.Valid());
        const HANDLE either[] = {ready.Get(), child->process.Get()};
        const DWORD woken = WaitForMultipleObjects(2, either, FALSE, 20000);
        DWORD code = 0;
        GetExitCodeProcess(child->process.Get(), &code);
        ASSERT_EQ(woken, WAIT_OBJECT_0)
            << "the listener did not start; its exit code 0x" << std::hex << code;
    }

    bool initialized_ = false;
    bool registered_ = false;
    TestProductKey key_;
    TempDir folder_;
    OwnPrinter printer_;
    ComPtr<IQLX_BSTR_Collection> hook_;
    ComPtr<IQLX> engine_;
    ComPtr<IConnectionPoint> point_;
    UniqueHandle server_;
};

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
}

TEST_F(EngineServer, CreationNeedsTheProductsPrinter) {
    ASSERT_EQ(RemoveOwnPrinter(printer_.Name()), S_OK);
    ConnectHook();
    EXPECT_EQ(CoCreateInstance(kEngineServerClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                               engine_.AsVoidOut()),
              E_FAIL);
    EXPECT_NE(LogText().find("C ERROR Cannot start driver engine"), std::string::npos);
    ComPtr<IErrorInfo> info;
    HRESULT hr = GetErrorInfo(0, &info);
    if (hr == S_OK) {
        ComBstr description;
        info->GetDescription(&description);
        EXPECT_STREQ(description.c_str(), L"Cannot start driver engine");
    } else if (RunningOnWine()) {
        // Known platform gap: Wine 8 carries no error object back with a remote vtable call
        // (activation included); the text reached the log above.
        std::printf("note: Wine returned no error object for the failed activation\n");
    } else {
        ADD_FAILURE() << "no error information for the failed activation";
    }

    ASSERT_EQ(AddOwnPrinter(printer_.Name()), S_OK);
    ASSERT_EQ(CoCreateInstance(kEngineServerClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                               engine_.AsVoidOut()),
              S_OK);
    ComBstr name;
    ASSERT_EQ(engine_->get_printer(&name), S_OK);
    EXPECT_STREQ(name.c_str(), L"Quorvane Text Printer");
}

void EngineServer::CheckJobEvents(bool async) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"AsyncEvents", async ? 1 : 0);
    Connect();
    ASSERT_TRUE(engine_);
    Run(L"record");
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);
    const std::vector<std::wstring> posted = Run(L"post 20");
    ASSERT_EQ(posted.size(), 1u);
    const DWORD poster = wcstoul(posted[0].c_str() + 7, nullptr, 10);
    recorder->WaitFor(22);
    EXPECT_EQ(recorder->Lines(), JobLines(20));

    std::vector<std::wstring> lines;
    std::set<DWORD> threads;
    for (const ServerEvent& e : ServerEvents()) {
        lines.push_back(e.line);
        threads.insert(e.thread);
    }
    EXPECT_EQ(lines, JobLines(20));
    ASSERT_EQ(threads.size(), 1u) << "every event on one thread";
    if (async)
        EXPECT_NE(*threads.begin(), poster) << "the events thread fires, not the poster";
    else
        EXPECT_EQ(*threads.begin(), poster) << "fired on the posting thread";

    // A transport plug-in's error, relayed by the engine's sink (connected by a call that
    // starts the engine).
    LONG identity = 0;
    ASSERT_EQ(engine_->get_Identity(&identity), S_OK);
    recorder->Clear();
    Run(L"error Alpha disk_full");
    recorder->WaitFor(1);
    EXPECT_EQ(recorder->Lines(), std::vector<std::wstring>{L"2(256,Alpha: disk_full)"});
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(EngineServer, QueuedEventsArriveInOrderOnOneThread) {
    CheckJobEvents(true);
}

TEST_F(EngineServer, DirectEventsArriveOnThePostingThread) {
    CheckJobEvents(false);
}

TEST_F(EngineServer, AdviseLoopWhileEventsFlow) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"AsyncEvents", 1);
    Connect();
    ASSERT_TRUE(engine_);
    // One listener stays connected throughout and loses nothing. It also keeps the sinks'
    // interface served by this process while the loop's sinks come and go (see EventsPoint).
    EventRecorder* steady = nullptr;
    ComPtr<IDispatch> steadySink = EventRecorder::Make(&steady);
    DWORD steadyCookie = 0;
    ASSERT_EQ(point_->Advise(steadySink, &steadyCookie), S_OK);
    Run(L"flow on");
    for (int i = 0; i < 1000; ++i) {
        EventRecorder* recorder = nullptr;
        ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
        DWORD cookie = 0;
        ASSERT_EQ(point_->Advise(sink, &cookie), S_OK) << i;
        ASSERT_EQ(point_->Unadvise(cookie), S_OK) << i;
    }
    EventRecorder* last = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&last);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);
    EXPECT_GE(last->WaitFor(40), 40u) << "a sink connected at the end receives what follows";
    Run(L"flow off");
    ExpectEveryJobArrives(steady);
    EXPECT_EQ(Listeners(), 2);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_EQ(point_->Unadvise(steadyCookie), S_OK);
    EXPECT_EQ(Listeners(), 0);
}

TEST_F(EngineServer, ListenerKilledWhileEventsFlow) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"AsyncEvents", 1);
    Connect();
    ASSERT_TRUE(engine_);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);
    ListenerProcess child;
    ASSERT_NO_FATAL_FAILURE(StartListenerProcess(&child));
    EXPECT_EQ(Listeners(), 2);

    Run(L"flow on");
    Sleep(200);
    child.Kill();
    Sleep(200);
    Run(L"flow off");

    // The dead listener's sink is dropped at a firing; the others get every event: all that
    // was posted arrives as whole jobs in order, the last one posted last.
    PostUntilListenersAre(1);
    ExpectEveryJobArrives(recorder);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_TRUE(LogShows("CQLX::Advise", "dropped the sink of a listener that is gone"));
    // The dead process still holds the engine and its point; the server lets them go so that
    // it can end.
    Run(L"disconnect");
}

// A dead process that was the only listener leaves the engine idle like an Unadvise does.
TEST_F(EngineServer, LastListenerKilledLetsTheIdleEngineStop) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"AsyncEvents", 1);
    Connect();
    ASSERT_TRUE(engine_);
    LONG identity = 0;
    ASSERT_EQ(engine_->get_Identity(&identity), S_OK); // starts the engine and its plug-ins
    ListenerProcess child;
    ASSERT_NO_FATAL_FAILURE(StartListenerProcess(&child));
    EXPECT_EQ(Listeners(), 1);
    child.Kill();

    PostUntilListenersAre(0);
    EXPECT_TRUE(LogShows("dropped the sink", "CQLX::PreStop ["))
        << "the plug-ins were let go once the last listener was gone";
    Run(L"disconnect");
}

// The settings of the current printer as a client in another process changes them: plug-ins
// selected by name, a parameter put into the plug-in and the store, each change announced with
// its target, a refused one with its error, and each save in its own tree.
TEST_F(EngineServer, SettingsTravelBothWaysAcrossProcesses) {
    OwnPrinter second(L"Quorvane Second Printer");
    ASSERT_EQ(second.Result(), S_OK);
    Connect();
    ASSERT_TRUE(engine_);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);

    ASSERT_EQ(engine_->put_Transport(ComBstr(L"Beta,Alpha,Nope")), S_OK);
    ComBstr transports, format;
    ASSERT_EQ(engine_->get_Transport(&transports), S_OK);
    EXPECT_STREQ(transports.c_str(), L"Alpha,Beta");
    ASSERT_EQ(engine_->put_Format(ComBstr(L"Plain")), S_OK);
    ASSERT_EQ(engine_->get_Format(&format), S_OK);
    EXPECT_STREQ(format.c_str(), L"Plain");

    ASSERT_EQ(
        engine_->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), ComVariant(L"C:\\out")),
        S_OK);
    EXPECT_EQ(Run(L"param Alpha path"), std::vector<std::wstring>{L"C:\\out"});
    ComVariant path;
    ASSERT_EQ(engine_->get_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), &path), S_OK);
    ASSERT_EQ(path.vt, VT_BSTR);
    EXPECT_STREQ(path.bstrVal, L"C:\\out");

    EXPECT_EQ(engine_->put_Transport(ComBstr(L"Nope")), E_FAIL);
    EXPECT_EQ(engine_->put_TransportParam(ComBstr(L"Gamma"), ComBstr(L"path"), ComVariant(L"x")),
              E_FAIL);
    EXPECT_EQ(
        recorder->Lines({kOnSettingChanged, kOnSettingChangeFailed, kOnError}),
        (std::vector<std::wstring>{L"11(Core,TransportPlugin,Alpha,Beta)",
                                   L"11(Core,FormatPlugin,-)", L"11(Alpha,path,C:\\out)",
                                   L"12(Core,TransportPlugin)", L"2(10,No transports selected)",
                                   L"2(2,Cannot select transport: Gamma)", L"12(Gamma,path)"}));

    // Per user, then for all users: each save lands in its own tree.
    const std::wstring alphaKey = key_.Path() + L"\\configuration\\Quorvane Text Printer\\Alpha";
    auto stored = [&](HKEY root) {
        RegKey key;
        wchar_t text[64] = L"<none>";
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (key.Open(root, alphaKey.c_str(), KEY_READ))
            RegQueryValueExW(key.Get(), L"path", nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                             &bytes);
        return std::wstring(text);
    };
    ASSERT_EQ(engine_->SaveConfiguration(), S_OK);
    EXPECT_EQ(stored(HKEY_CURRENT_USER), L"C:\\out");
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE), L"<none>");
    ASSERT_EQ(
        engine_->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), ComVariant(L"D:\\all")),
        S_OK);
    ASSERT_EQ(engine_->SaveCommonConfiguration(), S_OK);
    EXPECT_EQ(stored(HKEY_LOCAL_MACHINE), L"D:\\all");
    EXPECT_EQ(stored(HKEY_CURRENT_USER), L"C:\\out");

    // One announcement per printer selection, the restart after Stop included.
    recorder->Clear();
    ASSERT_EQ(engine_->put_printer(ComBstr(second.Name().c_str())), S_OK);
    ASSERT_EQ(engine_->Stop(), S_OK);
    LONG identity = 0;
    ASSERT_EQ(engine_->get_Identity(&identity), S_OK);
    std::vector<std::wstring> printers;
    for (const std::wstring& line : recorder->Lines({kOnSettingChanged}))
        if (line.find(L"11(Core,Printer,") == 0)
            printers.push_back(line);
    EXPECT_EQ(printers, (std::vector<std::wstring>{L"11(Core,Printer,Quorvane Second Printer)",
                                                   L"11(Core,Printer,Quorvane Text Printer)"}));
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

// A listener in another process that calls settings methods from inside OnSettingChanged,
// delivered on the thread of the change itself, finds the engine free to answer.
TEST_F(EngineServer, SynchronousListenerChangesSettingsFromOnSettingChanged) {
    Connect();
    ASSERT_TRUE(engine_);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);
    IQLX* engine = engine_.Get();
    std::atomic<bool> reacting{false};
    std::atomic<int> reactions{0}, failedCalls{0};
    recorder->SetReaction([&, engine] {
        // The changes made here are announced too: those are not reacted to again.
        if (reacting.exchange(true))
            return;
        ComVariant path;
        ComBstr printer;
        const HRESULT results[] = {
            engine->get_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), &path),
            engine->put_Format(ComBstr(L"Plain")),
            engine->put_Transport(ComBstr(L"Alpha")),
            engine->put_TransportParam(ComBstr(L"Beta"), ComBstr(L"count"), ComVariant(2L)),
            engine->get_printer(&printer),
        };
        for (HRESULT hr : results)
            failedCalls += FAILED(hr) ? 1 : 0;
        ++reactions;
        reacting = false;
    });

    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread changer([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        engine->put_TransportParam(ComBstr(L"Alpha"), ComBstr(L"path"), ComVariant(L"x"));
        engine->put_printer(ComBstr(L"Quorvane Text Printer"));
        SetEvent(done.Get());
        CoUninitialize();
    });
    if (WaitForSingleObject(done.Get(), 30000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the engine hung while the listener called back";
        fflush(stdout);
        TerminateProcess(server_.Get(), 3);
        TerminateProcess(GetCurrentProcess(), 3); // the thread can't be joined
    }
    changer.join();
    recorder->SetReaction(nullptr);
    EXPECT_GE(reactions.load(), 2);
    EXPECT_EQ(failedCalls.load(), 0);
    ComVariant count;
    ASSERT_EQ(engine_->get_TransportParam(ComBstr(L"Beta"), ComBstr(L"count"), &count), S_OK);
    EXPECT_EQ(count.lVal, 2);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

// A password put, read back and saved leaves no trace of itself in the core's log.
TEST_F(EngineServer, TheLogHoldsNoTraceOfAPassword) {
    Connect();
    ASSERT_TRUE(engine_);
    const wchar_t secret[] = L"Zq9-secret-77";
    ASSERT_EQ(
        engine_->put_TransportParam(ComBstr(L"Beta"), ComBstr(L"password"), ComVariant(secret)),
        S_OK);
    ASSERT_EQ(engine_->put_TransportParamNoCheck(ComBstr(L"Beta"), ComBstr(L"password"),
                                                 ComVariant(secret)),
              S_OK);
    // A misspelt name is no password the engine knows of: its value is not shown either.
    EXPECT_EQ(
        engine_->put_TransportParam(ComBstr(L"Beta"), ComBstr(L"Password"), ComVariant(secret)),
        E_FAIL);
    ComVariant read;
    ASSERT_EQ(engine_->get_TransportParam(ComBstr(L"Beta"), ComBstr(L"password"), &read), S_OK);
    EXPECT_STREQ(read.bstrVal, secret);
    ASSERT_EQ(engine_->SaveConfiguration(), S_OK);
    ASSERT_EQ(engine_->put_TransportParam(ComBstr(L"Beta"), ComBstr(L"path"), ComVariant(L"p")),
              S_OK);
    EXPECT_TRUE(LogShows("C  info value (protected)", "C  info value p"));
    EXPECT_EQ(LogText().find("Zq9-secret-77"), std::string::npos);
}

// A user interface whose process ends without disconnecting loses its share of the count, so
// that the engine starts a user interface again for the next job.
TEST_F(EngineServer, AUserInterfaceThatDiesNoLongerCountsAsConnected) {
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(engine_->put_UILoaded(1), S_OK);
    ListenerProcess child;
    ASSERT_NO_FATAL_FAILURE(StartListenerProcess(&child, L"ui"));
    LONG count = 0;
    ASSERT_EQ(engine_->get_UILoaded(&count), S_OK);
    EXPECT_EQ(count, 2);
    child.Kill();
    const ULONGLONG end = GetTickCount64() + 20000;
    while (GetTickCount64() < end && SUCCEEDED(engine_->get_UILoaded(&count)) && count != 1)
        Sleep(50);
    EXPECT_EQ(count, 1) << "the dead process's share is dropped, this one's stays";
    ASSERT_EQ(engine_->put_UILoaded(0), S_OK);
    ASSERT_EQ(engine_->get_UILoaded(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(LogShows("A user interface ended without disconnecting", "cfg.Save"));
    Run(L"disconnect");
}

// A user interface that connects while a job is open gets the job's events replayed in
// another process: start, every page, all rendered.
TEST_F(EngineServer, AUserInterfaceConnectingDuringAJobIsReplayedIt) {
    Connect();
    ASSERT_TRUE(engine_);
    Run(L"job 3");
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(sink, &cookie), S_OK);
    ASSERT_EQ(engine_->put_UILoadedWithEvents(1), S_OK);
    recorder->WaitFor(5);
    EXPECT_EQ(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}), JobLines(3));
    ASSERT_EQ(engine_->put_UILoadedWithEvents(0), S_OK);
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

} // namespace
