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
#include "server_test_support.h"
#include "temp_dir.h"
#include "test_printers.h"

namespace {

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
    ExpectRegisteredThenRemoved(QLX_CORE_TEST_SERVER);
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
    EXPECT_EQ(recorder->Events().empty() ? 0 : recorder->Events().back().dispid, 6)
        << "the user interface got OnUnload";
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
