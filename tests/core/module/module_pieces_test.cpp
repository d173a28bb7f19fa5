#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "activation_gate.h"
#include "command_line.h"
#include "core_wait_event.h"
#include "log.h"
#include "parent_folder.h"
#include "printer_change_watch.h"
#include "printer_watch.h"
#include "temp_dir.h"
#include "test_product_key.h"
#include "ui_loader.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(CoreCommandLine, TokensAfterDashOrSlashMatchExactly) {
    struct Row {
        const wchar_t* line;
        CoreCommand expected;
    };
    const Row rows[] = {
        {L"/RegServer", CoreCommand::kRegister},
        {L"-RegServer", CoreCommand::kRegister},
        {L"/UnregServer", CoreCommand::kUnregister},
        {L"-UnregServer", CoreCommand::kUnregister},
        {L"x /RegServer", CoreCommand::kRegister},
        {L"/a -UnregServer", CoreCommand::kUnregister},
        {L"/regserver", CoreCommand::kRun},
        {L"/RegServer ", CoreCommand::kRun},
        {L"RegServer", CoreCommand::kRun},
        {L"/RegServer /x", CoreCommand::kRun},
        {L"-Embedding", CoreCommand::kRun},
        {L"", CoreCommand::kRun},
        {nullptr, CoreCommand::kRun},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseCoreCommandLine(row.line), row.expected)
            << "line: " << (row.line ? Narrow(row.line) : "(null)");
    }
}

TEST(ParentFolder, KeepsTheBackslashOfARootOnly) {
    struct Row {
        const wchar_t* path;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {L"c:\\Program Files\\Quorvane\\qlx_ui.exe", L"c:\\Program Files\\Quorvane"},
        {L"c:\\x.exe", L"c:\\"},
        {L"c:\\dir\\", L"c:\\dir"},
        {L"\\x.exe", L"\\"},
        {L"\\\\server\\share\\ui.exe", L"\\\\server\\share"},
        {L"ui.exe", L""},
        {L"", L""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ParentFolder(row.path), row.expected) << "path: " << Narrow(row.path);
}

// The log of this process in a file of a temporary folder, for the lines a piece writes.
class LoggedTest : public testing::Test {
protected:
    void SetUp() override {
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", logFile_);
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName", L"qlx_module_test_log");
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 3);
        LoadLogConfig();
    }
    void TearDown() override { UnloadLogConfig(); }
    std::string LogText() {
        std::string text;
        ReadWholeFile(logFile_, &text);
        return text;
    }

    TestProductKey key_;
    TempDir dir_;
    std::wstring logFile_ = dir_.File(L"core.log");
};

using UiLoader = LoggedTest;

TEST_F(UiLoader, WithoutCurrentUiFailsAndSaysSo) {
    EXPECT_EQ(ui_loader(), E_FAIL);
    const std::string log = LogText();
    EXPECT_NE(log.find("L  info UI NAME: "), std::string::npos) << log;
    EXPECT_NE(log.find("L ERROR ui_loader Empty UI filename"), std::string::npos) << log;
}

TEST_F(UiLoader, StartsTheProgramFromCoreInItsFolder) {
    TempDir program;
    const std::wstring copy = program.File(L"probe ui.exe");
    ASSERT_TRUE(CopyFileW(QLX_UI_PROBE, copy.c_str(), FALSE));
    key_.SetString(HKEY_LOCAL_MACHINE, L"CurrentUI", copy);

    EXPECT_EQ(ui_loader(), S_OK);
    const std::wstring started = program.File(L"started.txt");
    std::string bytes;
    for (int i = 0; i < 200 && !ReadWholeFile(started, &bytes); ++i)
        Sleep(50);
    ASSERT_FALSE(bytes.empty()) << "the program did not start";
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
    EXPECT_EQ(text, L"/FromCore|" + program.Path()) << Narrow(text);
    EXPECT_NE(LogText().find("L  info ui_loader Start UI result "), std::string::npos);
    Sleep(200); // lets the probe go before its folder is removed
}

TEST_F(UiLoader, AProgramThatIsNotThereFailsWithAnErrorLine) {
    key_.SetString(HKEY_LOCAL_MACHINE, L"CurrentUI", dir_.File(L"missing.exe"));
    EXPECT_EQ(ui_loader(), E_FAIL);
    EXPECT_NE(LogText().find("L ERROR ui_loader Start UI result "), std::string::npos);
}

LONG g_live = 0;
LONG LiveObjects() {
    return g_live;
}

TEST(ActivationGate, ClosesOnlyWhenIdleAndThenRefusesActivations) {
    ActivationGate gate;
    g_live = 0;
    // An activation under way keeps the server.
    gate.ClearActivity();
    ASSERT_TRUE(gate.BeginActivation());
    EXPECT_FALSE(gate.CloseIfIdle(LiveObjects));
    gate.EndActivation();
    // The activation counts as activity since the idle wait started, which keeps it too.
    EXPECT_TRUE(gate.Activity());
    EXPECT_FALSE(gate.CloseIfIdle(LiveObjects));
    // So does a live object.
    gate.ClearActivity();
    g_live = 1;
    EXPECT_FALSE(gate.CloseIfIdle(LiveObjects));
    g_live = 0;
    EXPECT_TRUE(gate.CloseIfIdle(LiveObjects));
    EXPECT_FALSE(gate.BeginActivation()) << "a closed server hands out nothing";
}

// A class object that counts the objects it makes.
class CountingFactory final : public StaticClassFactory {
public:
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** out) override {
        ++made;
        *out = nullptr;
        return E_NOINTERFACE;
    }
    int made = 0;
};

TEST(ActivationGate, TheGatedClassObjectRefusesOnceClosed) {
    ActivationGate gate;
    CountingFactory inner;
    GatedClassFactory factory(inner, gate);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, &out), E_NOINTERFACE);
    EXPECT_EQ(inner.made, 1);
    gate.Close();
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, &out), CO_E_SERVER_STOPPING);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(inner.made, 1);
}

// Printers as a test sets them, with failures on demand.
class FakePrinters final : public PrinterSource {
public:
    HRESULT DefaultPrinter(std::wstring* name) override {
        *name = defaultName;
        return failRead ? E_FAIL : (defaultName.empty() ? S_FALSE : S_OK);
    }
    HRESULT PrinterNames(std::vector<std::wstring>* names) override {
        *names = printers;
        return failRead ? E_FAIL : S_OK;
    }
    std::wstring defaultName;
    std::vector<std::wstring> printers;
    bool failRead = false;
};

class RecordingEngine final : public PrinterChangeSink {
public:
    HRESULT AddRemovePrinter() override {
        calls.push_back(L"AddRemovePrinter");
        return fail ? CO_E_SERVER_STOPPING : S_OK;
    }
    HRESULT DefaultPrinterChanged(const wchar_t* name) override {
        calls.push_back(std::wstring(L"DefaultPrinterChanged ") + name);
        return fail ? CO_E_SERVER_STOPPING : S_OK;
    }
    std::vector<std::wstring> calls;
    bool fail = false;
};

TEST(DefaultPrinterTracker, ReportsEachChangeOnceAndRetriesAfterAFailure) {
    FakePrinters printers;
    RecordingEngine engine;
    DefaultPrinterTracker tracker;
    printers.defaultName = L"A";
    tracker.Start(printers);
    tracker.Poll(printers, engine);
    EXPECT_TRUE(engine.calls.empty()) << "the starting name is no change";

    // Back and forth between two polls goes unnoticed; the comparison is exact.
    printers.defaultName = L"B";
    printers.defaultName = L"A";
    tracker.Poll(printers, engine);
    printers.defaultName = L"a";
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls, std::vector<std::wstring>{L"DefaultPrinterChanged a"});

    // The engine can't be reached: the change is offered again at the next poll.
    engine.calls.clear();
    engine.fail = true;
    printers.defaultName = L"B";
    tracker.Poll(printers, engine);
    engine.fail = false;
    tracker.Poll(printers, engine);
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls,
              (std::vector<std::wstring>{L"DefaultPrinterChanged B", L"DefaultPrinterChanged B"}));

    // A failed read is skipped; no default printer reads as empty.
    engine.calls.clear();
    printers.failRead = true;
    tracker.Poll(printers, engine);
    printers.failRead = false;
    printers.defaultName.clear();
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls, std::vector<std::wstring>{L"DefaultPrinterChanged "});
}

TEST(DefaultPrinterTracker, AFailedFirstReadIsNoChange) {
    FakePrinters printers;
    RecordingEngine engine;
    DefaultPrinterTracker tracker;
    printers.failRead = true;
    tracker.Start(printers);
    printers.failRead = false;
    printers.defaultName = L"A";
    tracker.Poll(printers, engine);
    EXPECT_TRUE(engine.calls.empty());
    printers.defaultName = L"B";
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls, std::vector<std::wstring>{L"DefaultPrinterChanged B"});
}

TEST(PrinterListTracker, ReportsAddedOrDeletedPrintersAndRetriesAfterAFailure) {
    FakePrinters printers;
    RecordingEngine engine;
    PrinterListTracker tracker;
    printers.printers = {L"B", L"A"};
    tracker.Start(printers);
    printers.printers = {L"A", L"B"};
    tracker.Poll(printers, engine);
    EXPECT_TRUE(engine.calls.empty()) << "the order of the enumeration is no change";

    printers.printers = {L"A", L"B", L"C"};
    engine.fail = true;
    tracker.Poll(printers, engine);
    engine.fail = false;
    tracker.Poll(printers, engine);
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls.size(), 2u) << "tried again after the failure, then quiet";

    engine.calls.clear();
    printers.printers = {L"A", L"C"};
    tracker.Poll(printers, engine);
    printers.failRead = true;
    tracker.Poll(printers, engine);
    EXPECT_EQ(engine.calls, std::vector<std::wstring>{L"AddRemovePrinter"});
}

// Notifications as a test sets them: handles are events (so they can be waited for), each
// read fails or succeeds on demand.
class FakeNotifications final : public ChangeNotificationSource {
public:
    ~FakeNotifications() {
        for (HANDLE h : open)
            CloseHandle(h);
    }
    HANDLE First() override {
        ++firsts;
        if (firsts > handlesGiven)
            return INVALID_HANDLE_VALUE;
        HANDLE h = CreateEventW(nullptr, TRUE, TRUE, nullptr);
        open.push_back(h);
        return h;
    }
    bool Next(HANDLE, DWORD* change) override {
        const size_t read = reads++;
        if (read < reads_.size() && reads_[read] == 'x')
            return false;
        *change = 4;
        return true;
    }
    void Close(HANDLE h) override {
        ++closes;
        for (auto it = open.begin(); it != open.end(); ++it) {
            if (*it == h) {
                CloseHandle(h);
                open.erase(it);
                return;
            }
        }
        ADD_FAILURE() << "closed a handle that is not open";
    }

    int handlesGiven = 1;
    std::string reads_; // one letter a read: 'x' fails, anything else reads a change
    int firsts = 0, closes = 0;
    size_t reads = 0;
    std::vector<HANDLE> open;
};

using PrinterChangeWatchTest = LoggedTest;

// A notification whose change can't be read stays signalled: the watch asks for a new one
// once, and gives up for polling when that fails too, so the monitor never spins on it.
TEST_F(PrinterChangeWatchTest, AFailedReadArmsAgainOnceThenPolls) {
    struct Row {
        const char* row;
        int handlesGiven;
        const char* reads;
        bool polling;
        int firsts;
    } rows[] = {
        {"reads work", 1, "oooo", false, 1},
        {"one failure, armed again", 2, "oxoo", false, 2},
        {"each failure after a change read arms again", 3, "xoxo", false, 3},
        {"the new one fails before any change", 3, "xx", true, 2},
        {"no new one", 1, "x", true, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.row);
        FakeNotifications source;
        source.handlesGiven = r.handlesGiven;
        source.reads_ = r.reads;
        {
            PrinterChangeWatch watch(source);
            ASSERT_TRUE(watch.Start());
            EXPECT_FALSE(watch.Polling());
            for (int i = 0; i < 4 && watch.Handle(); ++i) {
                ASSERT_EQ(WaitForSingleObject(watch.Handle(), 0), WAIT_OBJECT_0);
                watch.Read();
            }
            EXPECT_EQ(watch.Polling(), r.polling);
            EXPECT_EQ(watch.Handle() == nullptr, r.polling);
            EXPECT_EQ(source.firsts, r.firsts);
        }
        EXPECT_TRUE(source.open.empty()) << "every notification closed";
    }
    const std::string log = LogText();
    EXPECT_NE(log.find("C ERROR CCoreModule::MonitorShutdown Change notification error"),
              std::string::npos);
    EXPECT_NE(log.find("C ERROR CCoreModule::MonitorShutdown Printer change notification given "
                       "up, polling"),
              std::string::npos);
}

TEST(PrinterChangeWatch, WithoutANotificationThePrintersArePolled) {
    FakeNotifications source;
    source.handlesGiven = 0;
    PrinterChangeWatch watch(source);
    EXPECT_FALSE(watch.Start());
    EXPECT_TRUE(watch.Polling());
    EXPECT_EQ(watch.Handle(), nullptr);
    EXPECT_EQ(watch.Read(), 0u);
    EXPECT_EQ(source.reads, 0u);
}

TEST(CoreWaitEvent, AStaleSignalledEventIsResetAndAnyAccountMaySetIt) {
    const wchar_t name[] = L"QLX_MODULE_TEST_WAIT_EVENT";
    // Left signalled by an earlier shutdown, still held open by its setter.
    UniqueHandle earlier(CreateEventW(nullptr, TRUE, TRUE, name));
    ASSERT_TRUE(earlier);
    UniqueHandle event = CreateCoreWaitEvent(name);
    ASSERT_TRUE(event);
    EXPECT_EQ(WaitForSingleObject(event.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    SECURITY_DESCRIPTOR* descriptor = nullptr;
    PACL dacl = reinterpret_cast<PACL>(1);
    BOOL present = FALSE, defaulted = FALSE;
    DWORD size = 0;
    GetKernelObjectSecurity(event.Get(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    descriptor = reinterpret_cast<SECURITY_DESCRIPTOR*>(buffer.data());
    ASSERT_TRUE(
        GetKernelObjectSecurity(event.Get(), DACL_SECURITY_INFORMATION, descriptor, size, &size));
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(!present || dacl == nullptr) << "a null DACL lets every account in";

    // A new event starts not signalled, and the request of a setter reaches it.
    earlier.Reset();
    event.Reset();
    event = CreateCoreWaitEvent(name);
    ASSERT_TRUE(event);
    EXPECT_EQ(WaitForSingleObject(event.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    UniqueHandle setter(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    ASSERT_TRUE(setter);
    SetEvent(setter.Get());
    EXPECT_EQ(WaitForSingleObject(event.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

} // namespace
