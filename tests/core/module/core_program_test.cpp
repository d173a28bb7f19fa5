#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>
#include <winspool.h>

#include <memory>
#include <string>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "core_ids.h"
#include "event_dispids.h"
#include "event_recorder.h"
#include "fixture_plugin_ids.h"
#include "fixture_registration.h"
#include "handle.h"
#include "qlx_core.h"
#include "reg_key.h"
#include "server_test_support.h"
#include "temp_dir.h"
#include "test_printers.h"

namespace {

// The running core program's process, found by its file name.
DWORD CoreProcessId() {
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, L"qlx_core.exe") == 0)
            return entry.th32ProcessID;
    }
    return 0;
}

// The user's Identity value of the product key, kept and put back around a test.
class SavedIdentity {
public:
    SavedIdentity() { had_ = Read(&value_); }
    ~SavedIdentity() {
        RegKey key;
        if (!key.Create(HKEY_CURRENT_USER, kCoreProductKey, KEY_SET_VALUE))
            return;
        if (had_)
            RegSetValueExW(key.Get(), L"Identity", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value_), sizeof(value_));
        else
            RegDeleteValueW(key.Get(), L"Identity");
    }
    static bool Read(DWORD* value) {
        RegKey key;
        DWORD size = sizeof(*value), type = 0;
        return key.Open(HKEY_CURRENT_USER, kCoreProductKey, KEY_QUERY_VALUE) &&
               RegQueryValueExW(key.Get(), L"Identity", nullptr, &type,
                                reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
               type == REG_DWORD;
    }

private:
    bool had_ = false;
    DWORD value_ = 0;
};

// An in-process server library registered for as long as the holder lives, as the installer
// registers it.
class RegisteredLibrary {
public:
    explicit RegisteredLibrary(const wchar_t* path) : library_(LoadLibraryW(path)) {
        result_ = library_ ? Call("DllRegisterServer") : HRESULT_FROM_WIN32(GetLastError());
    }
    ~RegisteredLibrary() {
        if (library_) {
            if (SUCCEEDED(result_))
                Call("DllUnregisterServer");
            FreeLibrary(library_);
        }
    }
    RegisteredLibrary(const RegisteredLibrary&) = delete;
    RegisteredLibrary& operator=(const RegisteredLibrary&) = delete;

    HRESULT Result() const { return result_; }

private:
    HRESULT Call(const char* name) {
        auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library_, name)));
        return entry ? entry() : E_NOINTERFACE;
    }

    HMODULE library_;
    HRESULT result_ = E_FAIL;
};

// Whether a collection of names holds that name.
bool Holds(IQLX_BSTR_Collection* names, const wchar_t* name) {
    LONG index = -1;
    return names && SUCCEEDED(names->Contains(ComBstr(name), &index)) && index >= 0;
}

// The core program itself serving the real engine, registered with the string collection and
// the frame's test plug-ins, with the product's printer installed;
// every core a test starts is ended (and a hanging one killed, failing the test).
class CoreProgram : public testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* path : {QLX_CORE_PROGRAM, QLX_CLIENT_PROBE32}) {
            if (!FileThere(path)) {
                GTEST_SKIP() << "missing " << Narrow(path);
            }
        }
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        collection_ = std::make_unique<RegisteredLibrary>(QLX_COLLECTION_LIBRARY);
        ASSERT_EQ(collection_->Result(), S_OK);
        plugins_ = std::make_unique<FixtureRegistration>();
        ASSERT_EQ(plugins_->Result(), S_OK);
        printer_ = std::make_unique<OwnPrinter>();
        ASSERT_EQ(printer_->Result(), S_OK) << "cannot add the product's printer to the prefix";
        ASSERT_EQ(RunProgram(Quoted(QLX_CORE_PROGRAM) + L" /RegServer"), 0);
    }

    void TearDown() override {
        if (!initialized_)
            return;
        EndCore();
        EXPECT_EQ(RunProgram(Quoted(QLX_CORE_PROGRAM) + L" /UnregServer"), 0);
        printer_.reset();
        plugins_.reset();
        collection_.reset();
        CoUninitialize();
    }

    void Connect() {
        ASSERT_EQ(CoCreateInstance(kCoreEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                                   engine_.AsVoidOut()),
                  S_OK);
        if (!core_) {
            core_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, CoreProcessId()));
            ASSERT_TRUE(core_.Valid()) << "the core runs as its own process";
        }
    }

    bool CoreEnds(DWORD timeoutMs) {
        return core_ && WaitForSingleObject(core_.Get(), timeoutMs) == WAIT_OBJECT_0;
    }

    void EndCore() {
        engine_.Release();
        if (!core_.Valid())
            return;
        if (!CoreEnds(20000)) {
            TerminateProcess(core_.Get(), 1);
            ADD_FAILURE() << "the core did not end after its last client let go";
        }
        core_.Reset();
    }

    // An Identity of this test run, so that a value read back can only be the one put.
    static LONG TestIdentity() { return 700000 + static_cast<LONG>(GetCurrentProcessId() % 9973); }

    SavedIdentity identity_;
    bool initialized_ = false;
    std::unique_ptr<RegisteredLibrary> collection_;
    std::unique_ptr<FixtureRegistration> plugins_;
    std::unique_ptr<OwnPrinter> printer_; // as the installer leaves it
    ComPtr<IQLX> engine_;
    UniqueHandle core_;
};

TEST_F(CoreProgram, RegistrationIsRemovedByUnregServer) {
    ExpectRegisteredThenRemoved(QLX_CORE_PROGRAM);
}

// The engine does not start without the product's printer; the core says why in its log with
// the error's own text, and ends.
TEST_F(CoreProgram, WithoutItsPrinterTheEngineDoesNotStartAndTheLogSaysWhy) {
    printer_.reset();
    ServerLog log;
    ComPtr<IQLX> engine;
    EXPECT_EQ(CoCreateInstance(kCoreEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX,
                               engine.AsVoidOut()),
              E_FAIL);
    core_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, CoreProcessId()));
    EXPECT_TRUE(CoreEnds(20000));
    core_.Reset();
    const std::string text = log.Text();
    EXPECT_NE(text.find("InitPrinters::No printers available"), std::string::npos) << text;
    EXPECT_NE(text.find("ERROR Cannot start driver engine"), std::string::npos) << text;
}

TEST_F(CoreProgram, ClientsOfBothBitnessesShareOneEngineWithTheRegisteredPlugins) {
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(engine_->put_Identity(TestIdentity()), S_OK);
    EXPECT_EQ(RunProgram(Quoted(QLX_CLIENT_PROBE32)), TestIdentity());
    if (FileThere(QLX_CLIENT_PROBE64))
        EXPECT_EQ(RunProgram(Quoted(QLX_CLIENT_PROBE64)), TestIdentity());
    else
        ADD_FAILURE() << "needs the 64-bit tree's client, missing " << Narrow(QLX_CLIENT_PROBE64);

    ComPtr<IQLX_BSTR_Collection> transports, formats;
    ASSERT_EQ(engine_->get_TransportPluginNames(&transports), S_OK);
    ASSERT_EQ(engine_->get_FormatPluginNames(&formats), S_OK);
    EXPECT_TRUE(Holds(transports.Get(), kTestTransportName));
    EXPECT_TRUE(Holds(transports.Get(), kAlphaTransportName));
    EXPECT_FALSE(Holds(transports.Get(), kFailingTransportName)) << "it cannot be created";
    EXPECT_TRUE(Holds(formats.Get(), kTestFormatName));
}

// Wine's script host, a real automation client, finds the engine by its ProgID and reads it
// late-bound: the same engine a vtable client holds, with the plug-ins it found.
TEST_F(CoreProgram, VBScriptCreatesTheEngineByProgIdAndReadsIt) {
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(engine_->put_Identity(TestIdentity()), S_OK);
    TempDir dir;
    std::string output;
    ASSERT_TRUE(RunScript(dir,
                          "Set core = CreateObject(\"Quorvane.Lettrix\")\r\n"
                          "Set names = core.TransportPluginNames\r\n"
                          "found = \"\"\r\n"
                          "For i = 0 To names.Count - 1\r\n"
                          "  If names.GetItem(i) = \"TestTransport\" Then found = \"found\"\r\n"
                          "Next\r\n"
                          "WScript.Echo core.Identity & \"|\" & found\r\n",
                          &output));
    EXPECT_EQ(output, std::to_string(TestIdentity()) + "|found\r\n");
}

// As the administration program asks for it: the core stops the engine, which saves the
// Identity a client put, and ends although a client still holds the engine.
TEST_F(CoreProgram, TheShutdownEventStopsTheEngineAndEndsTheCore) {
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(engine_->put_Identity(TestIdentity()), S_OK);
    UniqueHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCoreWaitEventName));
    ASSERT_TRUE(event);
    SetEvent(event.Get());
    EXPECT_TRUE(CoreEnds(40000)) << "the core ends within its bound";
    DWORD saved = 0;
    EXPECT_TRUE(SavedIdentity::Read(&saved));
    EXPECT_EQ(saved, static_cast<DWORD>(TestIdentity()));
    core_.Reset();
}

TEST_F(CoreProgram, TheCoreEndsSomeSecondsAfterItsLastClientLetsGo) {
    Connect();
    ASSERT_TRUE(engine_);
    engine_.Release();
    EXPECT_FALSE(CoreEnds(2500)) << "the core waits before it ends";
    EXPECT_TRUE(CoreEnds(20000));
    core_.Reset();
}

// The spooler of the prefix gives no change notification: the core polls the printers, and a
// printer of the product's driver joins the engine's own printers.
TEST_F(CoreProgram, APrinterAddedInThePrefixReachesTheEnginesList) {
    Connect();
    ASSERT_TRUE(engine_);
    const wchar_t* const name = L"QLX Program Test Printer";
    auto listed = [&] {
        ComPtr<IQLX_BSTR_Collection> printers;
        return SUCCEEDED(engine_->get_Printers(&printers)) && Holds(printers.Get(), name);
    };
    auto waitFor = [&](bool wanted) {
        const ULONGLONG end = GetTickCount64() + 20000;
        while (listed() != wanted && GetTickCount64() < end)
            Sleep(200);
        return listed() == wanted;
    };
    Sleep(500); // the watchers have read the printers as they are now
    EXPECT_FALSE(listed());
    OwnPrinter printer(name);
    ASSERT_EQ(printer.Result(), S_OK) << "cannot add a printer to the prefix";
    EXPECT_TRUE(waitFor(true)) << "the added printer is in the engine's list";
    RemoveOwnPrinter(printer.Name());
    EXPECT_TRUE(waitFor(false)) << "the removed printer left the engine's list";
}

// A job of 20 pages that a client process sends through the capture calls, as the relay
// does, is rendered page by page with the text-with-layout plug-in; a listener in this
// process sees its events in order.
TEST_F(CoreProgram, AJobFromAClientProcessIsRenderedWithTheTextWithLayoutFormat) {
    if (!FileThere(QLX_SEND_PROGRAM) || !FileThere(QLX_TWL_LIBRARY)) {
        GTEST_SKIP() << "missing the sender or the text-with-layout plug-in";
    }
    RegisteredLibrary twl(QLX_TWL_LIBRARY);
    ASSERT_EQ(twl.Result(), S_OK);
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(engine_->put_Format(ComBstr(L"TWL")), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(EventsPoint(engine_, &point), S_OK);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink, &cookie), S_OK);

    std::string runs = "document Editor - twenty.txt\n";
    for (int page = 0; page < 20; ++page) {
        runs += "page 2550 3300\n";
        runs += "300 300 600 50 Courier New|page " + std::to_string(page + 1) + "\n";
        runs += "300 400 900 50 Courier New|second line\n";
    }
    TempDir dir;
    const std::wstring file = dir.File(L"twenty.runs");
    ASSERT_TRUE(WriteWholeFile(file, runs));
    EXPECT_EQ(RunProgram(Quoted(QLX_SEND_PROGRAM) + L" --job 12 \"" + file + L"\""), 0);
    recorder->WaitFor(22, 30000);
    EXPECT_EQ(recorder->Lines({kOnStartJob, kOnPageRendered, kOnAllPagesRendered}), JobLines(20));
    EXPECT_TRUE(recorder->Lines({kOnError, kOnCancelJob}).empty());
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    ASSERT_EQ(engine_->CancelJobWait(), S_OK);
}

// The main road: a job from a client process is rendered with the text-with-layout plug-in and
// saved by the file transport, as soon as it is rendered, into a text file inside the chosen
// folder, whatever its document name says; then the core holds no job.
TEST_F(CoreProgram, AJobFromAClientProcessEndsInATextFileOfTheFileTransport) {
    if (!FileThere(QLX_SEND_PROGRAM) || !FileThere(QLX_TWL_LIBRARY) ||
        !FileThere(QLX_FILE_LIBRARY)) {
        GTEST_SKIP() << "missing the sender or a plug-in";
    }
    RegisteredLibrary twl(QLX_TWL_LIBRARY), file(QLX_FILE_LIBRARY);
    ASSERT_EQ(twl.Result(), S_OK);
    ASSERT_EQ(file.Result(), S_OK);
    Connect();
    ASSERT_TRUE(engine_);
    TempDir out;
    const ComBstr transport(L"File");
    ASSERT_EQ(engine_->put_Format(ComBstr(L"TWL")), S_OK);
    ASSERT_EQ(engine_->put_Transport(transport), S_OK);
    ASSERT_EQ(
        engine_->put_TransportParam(transport, ComBstr(L"path"), ComVariant(out.Path().c_str())),
        S_OK);
    ASSERT_EQ(engine_->put_TransportParam(transport, ComBstr(L"filename"),
                                          ComVariant(L"{{DOCNAME}}.{{EXT}}")),
              S_OK);
    ASSERT_EQ(engine_->put_AutoSave(1), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(EventsPoint(engine_, &point), S_OK);
    EventRecorder* recorder = nullptr;
    ComPtr<IDispatch> sink = EventRecorder::Make(&recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink, &cookie), S_OK);

    const std::string runs = "document ..\\..\\Report: caf\xC3\xA9\n"
                             "page 2550 3300\n"
                             "300 300 600 50 Courier New|first page\n"
                             "1200 300 300 50 Courier New|right\n"
                             "page 2550 3300\n"
                             "300 300 600 50 Courier New|second page\n";
    TempDir in;
    const std::wstring job = in.File(L"job.runs");
    ASSERT_TRUE(WriteWholeFile(job, runs));
    EXPECT_EQ(RunProgram(Quoted(QLX_SEND_PROGRAM) + L" --job 14 \"" + job + L"\""), 0);
    LONG jobs = -1;
    for (int i = 0; i < 300 && jobs != 0; ++i) {
        Sleep(100);
        ASSERT_EQ(engine_->get_TotalJobs(&jobs), S_OK);
    }
    EXPECT_EQ(jobs, 0) << "the saved job is dropped";

    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((out.Path() + L"\\*.txt").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "a text file in the chosen folder";
    const std::wstring name = found.cFileName;
    EXPECT_FALSE(FindNextFileW(search, &found)) << "one file for the job";
    FindClose(search);
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out.File(name), &bytes));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "UTF-16 with its byte-order mark";
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / sizeof(wchar_t));
    for (const wchar_t* expected : {L"first page", L"right", L"second page"})
        EXPECT_NE(text.find(expected), std::wstring::npos) << Narrow(text);
    EXPECT_LT(text.find(L"first page"), text.find(L"second page"));
    const std::vector<std::wstring> errors = recorder->Lines({kOnError});
    EXPECT_TRUE(errors.empty()) << Narrow(errors.empty() ? L"" : errors[0]);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

} // namespace
