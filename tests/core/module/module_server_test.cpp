#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "com_object.h"
#include "com_ptr.h"
#include "core_ids.h"
#include "event_recorder.h"
#include "fake_engine.h"
#include "handle.h"
#include "qlx_core.h"
#include "reg_key.h"
#include "registration.h"
#include "temp_dir.h"
#include "test_printers.h"

namespace {

bool FileThere(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Runs a program and returns its exit code (-1 when it could not start or did not end).
int RunProgram(std::wstring commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    UniqueHandle thread(process.hThread), handle(process.hProcess);
    if (WaitForSingleObject(handle.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(handle.Get(), 1);
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(handle.Get(), &code);
    return static_cast<int>(code);
}

std::wstring Quoted(const wchar_t* path) {
    return L"\"" + std::wstring(path) + L"\"";
}

// Lines the fake engine wrote, in order.
std::vector<std::string> EngineCalls() {
    std::string text;
    ReadWholeFile(FakeEngineCallFile(), &text);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

bool HasCall(const std::string& line) {
    for (const std::string& call : EngineCalls()) {
        if (call == line)
            return true;
    }
    return false;
}

// Waits (bounded, for a hang) until the fake engine wrote the line.
bool WaitForCall(const std::string& line, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!HasCall(line)) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(100);
    }
    return true;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool KeyThere(const std::wstring& path, RegistryView view) {
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                    ViewFlag(view));
}

std::wstring StringValue(const std::wstring& path, const wchar_t* name, RegistryView view) {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                  ViewFlag(view)))
        return L"(no key)";
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS)
        return L"(no value)";
    return value;
}

// The core program over the fake engine, registered for the test with the core's identities;
// every server a test starts is ended (and a hanging one killed, failing the test).
class CoreServer : public testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* path : {QLX_CORE_TEST_SERVER, QLX_CLIENT_PROBE32}) {
            if (!FileThere(path)) {
                GTEST_SKIP() << "missing " << Narrow(path);
            }
        }
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        DeleteFileW(FakeEngineCallFile().c_str());
        registered_ = true;
        ASSERT_EQ(RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" /RegServer"), 0);
    }

    void TearDown() override {
        if (!initialized_)
            return;
        EndServer();
        if (registered_) {
            EXPECT_EQ(RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" /UnregServer"), 0);
        }
        CoUninitialize();
    }

    // Activates the engine; notes the server's process from the engine's identity.
    void Connect() {
        ASSERT_EQ(CoCreateInstance(kCoreEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                                   engine_.AsVoidOut()),
                  S_OK);
        LONG identity = 0;
        ASSERT_EQ(engine_->get_Identity(&identity), S_OK);
        identity_ = identity;
        const DWORD pid = static_cast<DWORD>(identity / 100);
        if (!server_ || pid_ != pid) {
            server_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
            pid_ = pid;
        }
        ASSERT_TRUE(server_.Valid());
    }

    bool ServerEnds(DWORD timeoutMs) {
        return server_ && WaitForSingleObject(server_.Get(), timeoutMs) == WAIT_OBJECT_0;
    }

    void EndServer() {
        engine_.Release();
        if (!server_.Valid())
            return;
        if (!ServerEnds(20000)) {
            TerminateProcess(server_.Get(), 1);
            ADD_FAILURE() << "the server did not end after its last client let go";
        }
        server_.Reset();
    }

    bool initialized_ = false;
    bool registered_ = false;
    ComPtr<IQLX> engine_;
    LONG identity_ = 0;
    DWORD pid_ = 0;
    UniqueHandle server_;
};

TEST_F(CoreServer, UnregistrationRemovesWhatRegistrationAdded) {
    const std::wstring clsid = L"CLSID\\" + GuidText(kCoreEngineClsid);
    const std::wstring appId = L"AppID\\" + GuidText(kCoreAppId);
    const std::wstring driverInterface = L"Interface\\" + GuidText(IID_IQLX_INT);
    const std::wstring automationInterface = L"Interface\\" + GuidText(IID_IQLX);
    std::wstring server = QLX_CORE_TEST_SERVER;
    const std::wstring exeName = server.substr(server.rfind(L'\\') + 1);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        SCOPED_TRACE(view == RegistryView::k32 ? "32-bit view" : "64-bit view");
        EXPECT_EQ(StringValue(clsid, nullptr, view), L"QLX Class");
        EXPECT_EQ(StringValue(clsid + L"\\LocalServer32", nullptr, view), server);
        EXPECT_EQ(StringValue(clsid, L"AppID", view), GuidText(kCoreAppId));
        EXPECT_EQ(StringValue(clsid + L"\\TypeLib", nullptr, view), GuidText(kCoreTypeLibId));
        EXPECT_EQ(StringValue(L"Quorvane.Lettrix\\CurVer", nullptr, view), L"Quorvane.Lettrix.6.0");
        EXPECT_EQ(StringValue(L"Quorvane.Lettrix.6.0\\CLSID", nullptr, view),
                  GuidText(kCoreEngineClsid));
        EXPECT_EQ(StringValue(appId, nullptr, view), L"Quorvane Lettrix");
        EXPECT_EQ(StringValue(L"AppID\\" + exeName, L"AppID", view), GuidText(kCoreAppId));
        // The proxies of this bitness's clients, registered after the type library.
        EXPECT_TRUE(KeyThere(driverInterface + L"\\ProxyStubClsid32", view));
        EXPECT_NE(StringValue(automationInterface + L"\\ProxyStubClsid32", nullptr, view),
                  L"{00020424-0000-0000-C000-000000000046}")
            << "the dual interface keeps its own proxy";
    }
    {
        RegKey key;
        EXPECT_TRUE(key.Open(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID", KEY_QUERY_VALUE, 0));
        DWORD level = 0, size = sizeof(level);
        RegKey app;
        ASSERT_TRUE(app.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + appId).c_str(),
                             KEY_QUERY_VALUE, 0));
        EXPECT_EQ(RegQueryValueExW(app.Get(), L"AuthenticationLevel", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&level), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(level, 1u);
    }
    EXPECT_TRUE(KeyThere(L"TypeLib\\" + GuidText(kCoreTypeLibId) + L"\\6.0", RegistryView::k32));
    EXPECT_EQ(StringValue(L"Component Categories\\" + GuidText(kFormatCategoryId), L"409",
                          RegistryView::k32),
              L"Quorvane Lettrix Rendering Plug-ins");
    EXPECT_EQ(StringValue(L"Component Categories\\" + GuidText(kTransportCategoryId), L"409",
                          RegistryView::k32),
              L"Quorvane Lettrix Transport Plug-ins");

    ASSERT_EQ(RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" -UnregServer"), 0);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        SCOPED_TRACE(view == RegistryView::k32 ? "32-bit view" : "64-bit view");
        for (const std::wstring& path :
             {clsid, appId, L"AppID\\" + exeName, std::wstring(L"Quorvane.Lettrix"),
              std::wstring(L"Quorvane.Lettrix.6.0"), driverInterface}) {
            EXPECT_FALSE(KeyThere(path, view)) << Narrow(path);
        }
    }
    EXPECT_FALSE(KeyThere(L"TypeLib\\" + GuidText(kCoreTypeLibId), RegistryView::k32));
    EXPECT_FALSE(
        KeyThere(L"Component Categories\\" + GuidText(kFormatCategoryId), RegistryView::k32));
    EXPECT_FALSE(
        KeyThere(L"Component Categories\\" + GuidText(kTransportCategoryId), RegistryView::k32));
    // A second removal finds nothing to remove and is no failure.
    EXPECT_EQ(RunProgram(Quoted(QLX_CORE_TEST_SERVER) + L" /UnregServer"), 0);
}

TEST_F(CoreServer, ClientsOfBothBitnessesInOtherProcessesGetTheSameEngine) {
    if (!FileThere(QLX_CLIENT_PROBE64)) {
        GTEST_SKIP() << "needs the 64-bit tree's client, missing " << Narrow(QLX_CLIENT_PROBE64);
    }
    Connect();
    ASSERT_TRUE(engine_);
    EXPECT_EQ(RunProgram(Quoted(QLX_CLIENT_PROBE32)), identity_);
    EXPECT_EQ(RunProgram(Quoted(QLX_CLIENT_PROBE64)), identity_);
}

TEST_F(CoreServer, TheShutdownEventAsksTheUserInterfaceToUnloadStopsTheEngineAndEnds) {
    Connect();
    ASSERT_TRUE(engine_);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(engine_.As(&container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IQLXEvents, &point), S_OK);
    ComObject<EventRecorder>* recorder = nullptr;
    ASSERT_EQ(ComObject<EventRecorder>::CreateHeld(&recorder), S_OK);
    ComPtr<IDispatch> sink;
    sink.Attach(recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink, &cookie), S_OK);
    ASSERT_EQ(engine_->put_UILoaded(1), S_OK);

    // As the administration program does it.
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCoreWaitEventName));
    ASSERT_TRUE(event);
    SetEvent(event.Get());
    EXPECT_TRUE(ServerEnds(40000)) << "the server ends although a client still holds it";
    EXPECT_EQ(recorder->Events().empty() ? 0 : recorder->Events().back().dispid, 6) << "the user interface got OnUnload";
    const std::vector<std::string> calls = EngineCalls();
    std::vector<std::string> expected = {"created " + std::to_string(identity_), "get_UILoaded 1",
                                         "UnloadUI", "Stop"};
    ASSERT_GE(calls.size(), expected.size()) << Joined(calls);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected)
        << Joined(calls);
    point.Release();
    container.Release();
    server_.Reset();
}

// The server's log, in the product key that the program reads from its resources.
class ServerLog {
public:
    ServerLog() {
        RegKey key;
        if (key.Create(HKEY_LOCAL_MACHINE, kKey, KEY_SET_VALUE)) {
            const std::wstring file = dir_.File(L"core.log");
            const DWORD level = 3;
            RegSetValueExW(key.Get(), L"LogFile", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(file.c_str()),
                           static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
            RegSetValueExW(key.Get(), L"LogLevel", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&level), sizeof(level));
        }
    }
    ~ServerLog() {
        RegKey key;
        if (key.Open(HKEY_LOCAL_MACHINE, kKey, KEY_SET_VALUE)) {
            RegDeleteValueW(key.Get(), L"LogFile");
            RegDeleteValueW(key.Get(), L"LogLevel");
        }
    }
    std::string Text() {
        std::string text;
        ReadWholeFile(dir_.File(L"core.log"), &text);
        return text;
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Quorvane\\Lettrix";
    TempDir dir_;
};

// A client that holds on after the shutdown request: its engine goes when the server leaves
// COM, and the log is unloaded only after that.
TEST_F(CoreServer, TheLogOutlivesTheEngineAtTheEnd) {
    ServerLog log;
    Connect();
    ASSERT_TRUE(engine_);
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCoreWaitEventName));
    ASSERT_TRUE(event);
    SetEvent(event.Get());
    EXPECT_TRUE(ServerEnds(40000));
    server_.Reset();
    const std::string text = log.Text();
    const size_t destroyed = text.find("CFakeEngine destroyed");
    const size_t unloaded = text.find("Config Unloaded");
    EXPECT_NE(destroyed, std::string::npos) << text;
    EXPECT_NE(text.find("CCoreModule::MonitorShutdown shutdown requested"), std::string::npos)
        << text;
    ASSERT_NE(unloaded, std::string::npos) << "everything went, so the log is unloaded";
    EXPECT_LT(destroyed, unloaded) << text;
}

TEST_F(CoreServer, AStaleSignalledEventDoesNotEndANewServer) {
    // Left signalled by an earlier shutdown and still held open by the one who set it.
    UniqueHandle stale(CreateEventW(nullptr, TRUE, TRUE, kCoreWaitEventName));
    ASSERT_TRUE(stale);
    Connect();
    ASSERT_TRUE(engine_);
    EXPECT_FALSE(ServerEnds(2000));
    LONG loaded = -1;
    EXPECT_EQ(engine_->get_UILoaded(&loaded), S_OK);
    EXPECT_EQ(loaded, 0);
    // The event still works for the request that comes now.
    SetEvent(stale.Get());
    EXPECT_TRUE(ServerEnds(40000));
    EXPECT_TRUE(WaitForCall("Stop", 1000)) << Joined(EngineCalls());
    server_.Reset();
}

TEST_F(CoreServer, TheServerEndsAfterItsIdleTimeAndANewActivationInItKeepsIt) {
    Connect();
    ASSERT_TRUE(engine_);
    engine_.Release();
    EXPECT_FALSE(ServerEnds(2500)) << "the server waits before it ends";
    // A client within the idle time gets an engine of the same server, which keeps running.
    Connect();
    ASSERT_TRUE(engine_);
    EXPECT_EQ(static_cast<DWORD>(identity_ / 100), pid_);
    EXPECT_FALSE(ServerEnds(6000)) << "a held server does not end";
    engine_.Release();
    EXPECT_TRUE(ServerEnds(20000));
    server_.Reset();
}

// Runs Wine's 32-bit script host on a script and returns what it wrote.
bool RunScript(const TempDir& dir, const std::string& script, std::string* output) {
    const std::wstring source = dir.File(L"client.vbs");
    const std::wstring written = dir.File(L"out.txt");
    if (!WriteWholeFile(source, script))
        return false;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    UniqueHandle out(CreateFileW(written.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    if (!out)
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = out.Get();
    std::wstring command = L"C:\\windows\\system32\\cscript.exe //nologo \"" + source + L"\"";
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    UniqueHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(child.Get(), 1);
        return false;
    }
    out.Reset();
    return ReadWholeFile(written, output);
}

// An automation client finds the server by its version-independent ProgID and reads a
// property late-bound, from the same engine a vtable client holds.
TEST_F(CoreServer, VBScriptCreatesTheServerByProgIdAndReadsAProperty) {
    Connect();
    ASSERT_TRUE(engine_);
    TempDir dir;
    std::string output;
    ASSERT_TRUE(RunScript(dir,
                          "Set core = CreateObject(\"Quorvane.Lettrix\")\r\n"
                          "WScript.Echo core.Identity & \"|\" & core.UILoaded\r\n",
                          &output));
    EXPECT_EQ(output, std::to_string(identity_) + "|0\r\n");
}

size_t CountCalls(const std::string& line) {
    size_t count = 0;
    for (const std::string& call : EngineCalls())
        count += call == line;
    return count;
}

bool WaitForCallCount(const std::string& line, size_t count, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (CountCalls(line) < count) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(100);
    }
    return true;
}

// The spooler of the prefix gives no change notification: the server polls the printers.
TEST_F(CoreServer, PrinterChangesInThePrefixReachTheRunningEngine) {
    Connect();
    ASSERT_TRUE(engine_);
    Sleep(500); // the watchers have read the printers as they are now
    OwnPrinter printer(L"QLX Module Test Printer");
    ASSERT_EQ(printer.Result(), S_OK) << "cannot add a printer to the prefix";
    EXPECT_TRUE(WaitForCallCount("int_AddRemovePrinter", 1, 20000)) << Joined(EngineCalls());

    ASSERT_TRUE(SetDefaultPrinterW(L"QLX Module Test Printer"));
    EXPECT_TRUE(WaitForCall("int_DefaultPrinterChanged QLX Module Test Printer", 20000))
        << Joined(EngineCalls());

    RemoveOwnPrinter(printer.Name());
    EXPECT_TRUE(WaitForCallCount("int_AddRemovePrinter", 2, 20000)) << Joined(EngineCalls());
}

} // namespace
