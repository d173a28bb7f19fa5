#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "build_paths.h"
#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "fixture_ids.h"
#include "handle.h"
#include "program_run.h"
#include "qlx_core.h"
#include "registration.h"
#include "temp_dir.h"

namespace {

bool FileThere(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Calls a library's own registration export (a library of this process's bitness).
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

// Whether a library's image header names a 32-bit machine.
bool Is32BitImage(const wchar_t* path) {
    UniqueHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    IMAGE_DOS_HEADER dos = {};
    DWORD read = 0;
    if (!file.Valid() || !ReadFile(file.Get(), &dos, sizeof(dos), &read, nullptr) ||
        read != sizeof(dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER header;
    } nt = {};
    return SetFilePointer(file.Get(), dos.e_lfanew, nullptr, FILE_BEGIN) !=
               INVALID_SET_FILE_POINTER &&
           ReadFile(file.Get(), &nt, sizeof(nt), &read, nullptr) && read == sizeof(nt) &&
           nt.signature == IMAGE_NT_SIGNATURE && nt.header.Machine == IMAGE_FILE_MACHINE_I386;
}

// Registers a library of the server's tree: in this process when it has this process's
// bitness, else (a 32-bit one in a 64-bit process) by Wine's 32-bit regsvr32.
HRESULT RegisterServerLibrary(const wchar_t* path, bool add) {
#ifdef _WIN64
    if (Is32BitImage(path)) {
        std::wstring command = L"C:\\windows\\syswow64\\regsvr32.exe /s ";
        if (!add)
            command += L"/u ";
        const int code = RunProgram(command + L"\"" + path + L"\"");
        return code == 0 ? S_OK : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + (code & 0xff));
    }
#endif
    return CallRegistration(path, add);
}

std::vector<std::wstring> Lines(IQLX_BSTR_Collection* log) {
    std::vector<std::wstring> lines;
    LONG count = 0;
    EXPECT_EQ(log->get_Count(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
        ComBstr line;
        EXPECT_EQ(log->GetItem(i, &line), S_OK);
        lines.emplace_back(line.c_str(), line.Length());
    }
    return lines;
}

// An _IQLXEvents sink in the client's process: records the events it receives.
class EventRecorder : public IDispatch, public ObjectBase {
public:
    static const auto& QiTable() {
        static const QiEntry table[] = {QiRow<EventRecorder, IDispatch>(DIID__IQLXEvents),
                                        QiRow<EventRecorder, IDispatch>(IID_IDispatch)};
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
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        std::wstring event = std::to_wstring(id);
        if (params && params->cArgs == 1 && params->rgvarg[0].vt == VT_I4)
            event += L"(" + std::to_wstring(params->rgvarg[0].lVal) + L")";
        AcquireSRWLockExclusive(&lock_);
        events_.push_back(event);
        ReleaseSRWLockExclusive(&lock_);
        return S_OK;
    }
    std::vector<std::wstring> Events() {
        AcquireSRWLockExclusive(&lock_);
        std::vector<std::wstring> copy = events_;
        ReleaseSRWLockExclusive(&lock_);
        return copy;
    }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::wstring> events_;
};

// Registers the proxies, the string collection and the test server for the test, starts the
// server through the first activation and makes sure it has ended afterwards.
class CrossProcess : public testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* path :
             {QLX_MAIN_PS_DLL, QLX_MAIN_COLLECTION_DLL, QLX_MAIN_TEST_SERVER, QLX_OWN_PS_DLL}) {
            if (!FileThere(path)) {
                std::string text(path, path + wcslen(path));
                GTEST_SKIP() << "needs the main build tree, missing " << text;
            }
        }
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        initialized_ = true;
        // Type libraries first (the server's and this bitness's own), then the proxies, which
        // would otherwise lose their interfaces to the type library's marshaler. The server's
        // side marshals with the main tree's proxies, the client's with its own.
        registered_ = true;
        ASSERT_EQ(RunProgram(Quoted(QLX_MAIN_TEST_SERVER) + L" /RegServer"), 0);
        ASSERT_EQ(RegisterTypeLibraryFile(QLX_CORE_TLB), S_OK);
        ASSERT_EQ(RegisterServerLibrary(QLX_MAIN_PS_DLL, true), S_OK);
        ASSERT_EQ(CallRegistration(QLX_OWN_PS_DLL, true), S_OK);
        ASSERT_EQ(RegisterServerLibrary(QLX_MAIN_COLLECTION_DLL, true), S_OK);
    }

    void TearDown() override {
        if (!initialized_)
            return;
        EndServer();
        if (registered_) {
            EXPECT_EQ(RegisterServerLibrary(QLX_MAIN_COLLECTION_DLL, false), S_OK);
            EXPECT_EQ(CallRegistration(QLX_OWN_PS_DLL, false), S_OK);
            EXPECT_EQ(RegisterServerLibrary(QLX_MAIN_PS_DLL, false), S_OK);
            UnregisterTypeLibraryFile(QLX_CORE_TLB);
            EXPECT_EQ(RunProgram(Quoted(QLX_MAIN_TEST_SERVER) + L" /UnregServer"), 0);
        }
        CoUninitialize();
    }

    // The engine of a fresh server, and its call log; notes the server's process.
    void Connect() {
        ASSERT_EQ(CoCreateInstance(kFixtureEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX_INT,
                                   engine_.AsVoidOut()),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(kFixtureCallLogClsid, nullptr, CLSCTX_LOCAL_SERVER,
                                   IID_IQLX_BSTR_Collection, log_.AsVoidOut()),
                  S_OK);
        ComBstr first;
        ASSERT_EQ(log_->GetItem(0, &first), S_OK);
        ASSERT_EQ(wcsncmp(first.c_str(), L"pid=", 4), 0);
        server_.Reset(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                  wcstoul(first.c_str() + 4, nullptr, 10)));
        ASSERT_TRUE(server_.Valid());
    }

    // Releasing the last object ends the server; one that stays is killed and fails the test.
    void EndServer() {
        jobs_.Release();
        log_.Release();
        engine_.Release();
        if (!server_.Valid())
            return;
        if (WaitForSingleObject(server_.Get(), 20000) != WAIT_OBJECT_0) {
            TerminateProcess(server_.Get(), 1);
            ADD_FAILURE() << "the server did not end after its last client let go";
        }
        server_.Reset();
    }

    bool initialized_ = false;
    bool registered_ = false;
    ComPtr<IQLX_INT> engine_;
    ComPtr<IQLX_BSTR_Collection> log_;
    ComPtr<IQLX_BSTR_Collection> jobs_;
    UniqueHandle server_;
};

TEST_F(CrossProcess, DriverCallsReachTheServerAndItsResultsComeBack) {
    Connect();
    ASSERT_TRUE(engine_);
    EXPECT_EQ(engine_->int_StartJob(ComBstr(L"Quorvane Text Printer"), ComBstr(L"EMF"), 17, 600,
                                    ComBstr(L"Editor - Q3 report.txt")),
              S_OK);
    EXPECT_EQ(engine_->int_StartPage(5100, 6600), S_OK);
    EXPECT_EQ(
        engine_->int_Add(-10, 20, 300, 40, ComBstr(L"Gr\u00fc\u00dfe \u20ac"), ComBstr(L"Arial")),
        S_OK);
    EXPECT_EQ(engine_->int_Add(0, 0, 0, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(engine_->int_EndJob(), S_OK);
    EXPECT_EQ(engine_->int_AddRemovePrinter(), S_OK);
    EXPECT_EQ(engine_->int_DefaultPrinterChanged(ComBstr(L"Other printer")), S_OK);

    // The class object is a singleton: a second activation reaches the same engine.
    ComPtr<IQLX_INT> again;
    ASSERT_EQ(CoCreateInstance(kFixtureEngineClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IQLX_INT,
                               again.AsVoidOut()),
              S_OK);
    ComPtr<IUnknown> first, second;
    ASSERT_EQ(engine_.As(&first), S_OK);
    ASSERT_EQ(again.As(&second), S_OK);
    EXPECT_EQ(first.Get(), second.Get());

    std::vector<std::wstring> lines = Lines(log_);
    ASSERT_GE(lines.size(), 2u);
    lines.erase(lines.begin()); // the process id
    const std::vector<std::wstring> expected = {
        Is32BitImage(QLX_MAIN_TEST_SERVER) ? L"bits=32" : L"bits=64",
        L"int_StartJob(Quorvane Text Printer,EMF,17,600,Editor - Q3 report.txt)",
        L"int_StartPage(5100,6600)",
        L"int_Add(-10,20,300,40,Gr\u00fc\u00dfe \u20ac,Arial)",
        L"int_Add(0,0,0,0,(null),(null))",
        L"int_EndJob()",
        L"int_AddRemovePrinter()",
        L"int_DefaultPrinterChanged(Other printer)",
    };
    EXPECT_EQ(lines, expected);
}

std::wstring Hex8(DWORD value) {
    wchar_t text[9];
    swprintf(text, 9, L"%08x", static_cast<unsigned>(value));
    return text;
}

std::string Narrow(const std::vector<std::wstring>& lines) {
    std::string text;
    for (const std::wstring& line : lines) {
        for (wchar_t c : line)
            text += c < 0x80 ? static_cast<char>(c) : '?';
        text += '\n';
    }
    return text;
}

// What the server's intake stored, from the client of this tree's bitness: the records of the
// job and the spool file under the name no later job of the same number can take.
TEST_F(CrossProcess, JobIsCapturedIntoTheCoresStoreInTheServer) {
    Connect();
    ASSERT_TRUE(engine_);
    ASSERT_EQ(CoCreateInstance(kFixtureJobRecordClsid, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IQLX_BSTR_Collection, jobs_.AsVoidOut()),
              S_OK);
    const std::wstring pidLine = Lines(log_).at(0);
    const DWORD pid = wcstoul(pidLine.c_str() + 4, nullptr, 10);
    std::vector<std::wstring> record = Lines(jobs_);
    ASSERT_EQ(record.size(), 1u);
    ASSERT_EQ(record[0].rfind(L"spool_folder=", 0), 0u);
    const std::wstring folder = record[0].substr(13);

    // The spooler's files of job 17, as the printer's spooling set-up leaves them.
    ASSERT_TRUE(WriteWholeFile(folder + L"00017.spl", "EMF spool data"));
    ASSERT_TRUE(WriteWholeFile(folder + L"00017.sep", "SEP"));
    EXPECT_EQ(engine_->int_StartJob(ComBstr(L"Quorvane Text Printer"), ComBstr(L"EMF"), 17, 600,
                                    ComBstr(L"Editor - Q3 report.final.txt")),
              S_OK);
    EXPECT_EQ(engine_->int_StartPage(5100, 6600), S_OK);
    EXPECT_EQ(
        engine_->int_Add(-10, 20, 300, 40, ComBstr(L"Gr\u00fc\u00dfe \u20ac"), ComBstr(L"Arial")),
        S_OK);
    EXPECT_EQ(engine_->int_Add(0, 0, 0, 0, nullptr, nullptr), S_OK);
    EXPECT_EQ(engine_->int_StartPage(4200, 5000), S_OK);
    EXPECT_EQ(engine_->int_Add(100, 200, 900, 260, ComBstr(L"Total: 42"), ComBstr(L"Courier New")),
              S_OK);
    EXPECT_EQ(engine_->int_EndJob(), S_OK);

    const std::wstring first = folder + Hex8(pid) + L"_00000001";
    std::vector<std::wstring> expected = {
        L"job(Quorvane Text Printer,EMF,17,600,Editor - Q3 report.final.txt) flags=5 "
        L"docname=Q3 report.final",
        L"page(5100,6600) complete=1 items=2",
        L"item(-10,20,300,40,Gr\u00fc\u00dfe \u20ac,Arial)",
        L"item(0,0,0,0,(null),(null))",
        L"page(4200,5000) complete=1 items=1",
        L"item(100,200,900,260,Total: 42,Courier New)",
        L"spool=" + first + L".spl",
        L"separator=" + first + L".sep size=3",
    };
    record = Lines(jobs_);
    record.erase(record.begin());
    EXPECT_EQ(record, expected) << Narrow(record);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(first + L".spl", &bytes));
    EXPECT_EQ(bytes, "EMF spool data");
    EXPECT_TRUE(FileExists(first + L".sep"));
    EXPECT_FALSE(FileExists(folder + L"00017.spl"));
    EXPECT_FALSE(FileExists(folder + L"00017.sep"));

    // The next job of the same number gets the next name; the first one is closed when it
    // starts, and its files go with it.
    ASSERT_TRUE(WriteWholeFile(folder + L"00017.spl", "second"));
    EXPECT_EQ(engine_->int_StartJob(ComBstr(L"Quorvane Text Printer"), ComBstr(L"RAW"), 17, 300,
                                    ComBstr(L"")),
              S_OK);
    EXPECT_EQ(engine_->int_EndJob(), S_OK);
    const std::wstring second = folder + Hex8(pid) + L"_00000002";
    expected = {
        L"job(Quorvane Text Printer,RAW,17,300,) flags=5 docname=Document",
        L"spool=" + second + L".spl",
        L"separator= size=0",
    };
    record = Lines(jobs_);
    record.erase(record.begin(), record.begin() + 9);
    EXPECT_EQ(record, expected) << Narrow(record);
    EXPECT_TRUE(FileExists(second + L".spl"));
    EXPECT_FALSE(FileExists(first + L".spl"));
    EXPECT_FALSE(FileExists(first + L".sep"));

    // The engine's end frees the open job with its file; the server leaves no folder behind.
    EndServer();
    EXPECT_FALSE(FileExists(second + L".spl"));
    EXPECT_FALSE(FileExists(folder)) << "the server's spool folder is removed";
}

bool RunningOnWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
}

// An automation client in another process reads the description of a failed call: the
// server's type information puts the error object into the exception information, which
// travels back with the call.
TEST_F(CrossProcess, ErrorDescriptionReachesALateBoundClient) {
    Connect();
    ASSERT_TRUE(log_);
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(log_.As(&dispatch), S_OK);
    ComVariant index(99L), result;
    DISPPARAMS params = {&index, nullptr, 1, 0};
    EXCEPINFO exception = {};
    EXPECT_EQ(
        dispatch->Invoke(6, IID_NULL, 0, DISPATCH_METHOD, &params, &result, &exception, nullptr),
        DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_INVALIDARG);
    EXPECT_STREQ(exception.bstrDescription, L"Invalid index");
    EXPECT_STREQ(exception.bstrSource, L"Quorvane.QLX_BSTR_Collection");
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
}

TEST_F(CrossProcess, ErrorDescriptionOfAVtableCall) {
    Connect();
    ASSERT_TRUE(engine_);
    EXPECT_EQ(engine_->int_StartJob(ComBstr(kFixtureRefusedPrinter), ComBstr(L"RAW"), 1, 300,
                                    ComBstr(L"doc")),
              E_FAIL);
    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(engine_.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IQLX_INT), S_OK);
    ComPtr<IErrorInfo> info;
    HRESULT hr = GetErrorInfo(0, &info);
    if (hr == S_FALSE && RunningOnWine()) {
        // Known platform gap: Wine 8 does not carry the error object back with a vtable call
        // (Windows does). Automation clients get the text all the same (test above).
        GTEST_SKIP() << "Wine does not return the error object of a remote vtable call";
    }
    ASSERT_EQ(hr, S_OK);
    ComBstr description, source;
    info->GetDescription(&description);
    info->GetSource(&source);
    EXPECT_STREQ(description.c_str(), L"Invalid printer name: Unknown printer");
    EXPECT_STREQ(source.c_str(), L"Quorvane.Lettrix.6.0");
}

TEST_F(CrossProcess, EventsReachASinkInTheClientProcess) {
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

    EXPECT_EQ(engine_->int_StartJob(ComBstr(L"P"), ComBstr(L"EMF"), 2, 600, ComBstr(L"d")), S_OK);
    EXPECT_EQ(engine_->int_StartPage(1, 1), S_OK);
    EXPECT_EQ(engine_->int_StartPage(1, 1), S_OK);
    EXPECT_EQ(engine_->int_EndJob(), S_OK);
    // Fired before each call returned, on the server's calling thread.
    EXPECT_EQ(recorder->Events(), (std::vector<std::wstring>{L"3(0)", L"3(1)", L"4"}));
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    // Another call before the point goes: under Wine 8 the release of an object's last proxy
    // right after a call on it can hang the server.
    LONG calls = 0;
    EXPECT_EQ(log_->get_Count(&calls), S_OK);
}

TEST_F(CrossProcess, StringCollectionIsUsedFromAnotherProcess) {
    Connect();
    ASSERT_TRUE(log_);
    ASSERT_EQ(log_->RemoveAll(), S_OK);
    ASSERT_EQ(log_->Add(ComBstr(L"Printer A")), S_OK);
    ASSERT_EQ(log_->Add(ComBstr(L"Printer C")), S_OK);
    ASSERT_EQ(log_->Insert(1, ComBstr(L"Printer B")), S_OK);
    EXPECT_EQ(log_->Insert(9, ComBstr(L"x")), E_INVALIDARG) << "the server's error comes back";
    LONG index = 99;
    EXPECT_EQ(log_->Contains(ComBstr(L"Printer C"), &index), S_OK);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(log_->Contains(ComBstr(L"printer c"), &index), S_OK);
    EXPECT_EQ(index, -1);
    ComVariant item;
    EXPECT_EQ(log_->Item(ComVariant(1L), &item), S_OK);
    EXPECT_EQ(item.vt, VT_BSTR);
    EXPECT_STREQ(item.bstrVal, L"Printer B");

    // The enumerator is made in the server and walked from here.
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(log_->get__NewEnum(&unknown), S_OK);
    ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(unknown.As(&items), S_OK);
    VARIANT got[4];
    ULONG fetched = 0;
    EXPECT_EQ(items->Next(4, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 3u);
    std::vector<std::wstring> walked;
    for (ULONG i = 0; i < fetched; ++i) {
        walked.emplace_back(got[i].bstrVal);
        VariantClear(&got[i]);
    }
    EXPECT_EQ(walked, (std::vector<std::wstring>{L"Printer A", L"Printer B", L"Printer C"}));

    // Late binding across the process: the server's IDispatch answers by name.
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(log_.As(&dispatch), S_OK);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Contains")};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 8);
    ComVariant argument(L"Printer B"), result;
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    ASSERT_EQ(
        dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 1);
}

} // namespace
