#pragma once
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "cqlx.h"
#include "engine_paths.h"
#include "engine_test_env.h"
#include "event_dispids.h"
#include "event_recorder.h"
#include "fake_plugins.h"
#include "temp_dir.h"
#include "test_printers.h"
#include "test_product_key.h"

// COM for the test's thread, for as long as the fixture's members live.
struct Apartment {
    Apartment() : result(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~Apartment() {
        if (SUCCEEDED(result))
            CoUninitialize();
    }
    HRESULT result;
};

// An engine in this process over the fake plug-ins and the product's printer, with options
// of the test's own.
class EngineInProcess : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(apartment_.result, S_OK);
        key_.SetString(HKEY_LOCAL_MACHINE, L"DriverPath", folder_.Path());
        // int_EndJob returns once the job thread has ended: the tests see its work done.
        key_.SetDword(HKEY_LOCAL_MACHINE, L"AsyncProcessing", 0);
        ASSERT_EQ(collection_.Register(QLX_COLLECTION_DLL), S_OK);
        ASSERT_EQ(plugins_.Result(), S_OK);
    }
    void TearDown() override {
        driver_.Release();
        engine_.Release();
    }

    HRESULT Create() { return ComObject<CQLX>::Create(IID_IQLX, engine_.AsVoidOut()); }
    CQLX& Engine() { return *static_cast<CQLX*>(engine_.Get()); }
    DWORD Advise(IDispatch* sink) {
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(EventsPoint(engine_, &point), S_OK);
        DWORD cookie = 0;
        EXPECT_EQ(point->Advise(sink, &cookie), S_OK);
        return cookie;
    }
    HRESULT Unadvise(DWORD cookie) {
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(EventsPoint(engine_, &point), S_OK);
        return point->Unadvise(cookie);
    }
    // Any method that starts the engine.
    void Touch() {
        LONG identity = 0;
        EXPECT_EQ(engine_->get_Identity(&identity), S_OK);
    }
    // A recording listener, connected to the started engine for the rest of the test.
    EventRecorder* StartListening() {
        EventRecorder* recorder = nullptr;
        listener_ = EventRecorder::Make(&recorder);
        Advise(listener_);
        Touch();
        return recorder;
    }

    // The OnSettingChanged lines of one target and setting, as "11(target,param,value)".
    static std::vector<std::wstring> SettingLines(EventRecorder* recorder, const wchar_t* target,
                                                  const wchar_t* param) {
        const std::wstring prefix = std::wstring(L"11(") + target + L"," + param + L",";
        std::vector<std::wstring> lines;
        for (const std::wstring& line : recorder->Lines({kOnSettingChanged}))
            if (line.compare(0, prefix.size(), prefix) == 0)
                lines.push_back(line);
        return lines;
    }
    std::wstring Printer() {
        ComBstr name;
        EXPECT_EQ(engine_->get_printer(&name), S_OK);
        return name.c_str();
    }
    // The description of the calling thread's error information, or "<none>".
    static std::wstring LastErrorText() {
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, &info) != S_OK || !info)
            return L"<none>";
        ComBstr description;
        info->GetDescription(&description);
        return description.c_str();
    }
    // The folder where the spooler leaves a job's files ("temp" under the driver folder).
    std::wstring SpoolFolder() const { return folder_.Path() + L"\\temp\\"; }
    std::wstring SpoolFile(long jobId) const {
        wchar_t name[16];
        swprintf(name, 16, L"%05ld.spl", jobId);
        return SpoolFolder() + name;
    }
    // The files in the spool folder.
    std::vector<std::wstring> SpoolFiles() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((SpoolFolder() + L"*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }
    IQLX_INT* Driver() {
        if (!driver_)
            EXPECT_EQ(engine_.As(&driver_), S_OK);
        return driver_.Get();
    }
    // A job captured through the driver-facing calls as the relay sends it: its spool file
    // left by the spooler, then each page with its runs of text in order; ended unless told.
    void Capture(long jobId, const std::vector<std::vector<std::wstring>>& pages, bool end = true,
                 const wchar_t* document = L"report.txt") {
        CreateDirectoryW(SpoolFolder().c_str(), nullptr);
        ASSERT_TRUE(WriteWholeFile(SpoolFile(jobId), "spooled"));
        ASSERT_EQ(Driver()->int_StartJob(ComBstr(L"Quorvane Text Printer"), ComBstr(L"TEXT"), jobId,
                                         300, ComBstr(document)),
                  S_OK);
        for (const std::vector<std::wstring>& page : pages) {
            ASSERT_EQ(Driver()->int_StartPage(1000, 1400), S_OK);
            LONG y = 0;
            for (const std::wstring& run : page) {
                ASSERT_EQ(Driver()->int_Add(10, y, 200, y + 20, ComBstr(run.c_str()),
                                            ComBstr(L"Courier")),
                          S_OK);
                y += 20;
            }
        }
        if (end)
            ASSERT_EQ(Driver()->int_EndJob(), S_OK);
    }
    // A job of one page with one run, rendered and left open (Autosave is 0).
    void OpenJob() { Capture(5, {{L"one"}}); }

    Apartment apartment_;
    TestProductKey key_;
    TempDir folder_;
    OwnPrinter printer_;
    CollectionClass collection_;
    FakePluginSet plugins_;
    ComPtr<IQLX> engine_;
    ComPtr<IDispatch> listener_;
    ComPtr<IQLX_INT> driver_;
};
