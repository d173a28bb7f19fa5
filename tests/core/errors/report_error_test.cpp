#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>

#include "com_bstr.h"
#include "com_ptr.h"
#include "event_dispids.h"
#include "event_poster.h"
#include "log.h"
#include "recording_dispatcher.h"
#include "report_error.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

struct Message {
    UINT id;
    const wchar_t* text;
};

// The table as clients and the user interface show it; unused ids have no text.
const Message kMessages[] = {
    {201, L"Cannot get transport parameter"},
    {202, L"Cannot select transport"},
    {203, L"Cannot put transport parameter"},
    {204, L"Cannot get format parameter"},
    {205, L"Cannot select format plug-in"},
    {206, L"Cannot put format parameter"},
    {207, L"Invalid printer name"},
    {208, L"Cannot change printer"},
    {209, L"Cannot save configuration"},
    {210, L"No transports selected"},
    {211, L"Invalid format plug-in name"},
    {212, L""},
    {213, L"Invalid page number"},
    {214, L""},
    {215, L"Cannot start driver engine"},
    {216, L"There is no job ready for save"},
    {217, L"Busy: processing is in progress"},
    {218, L"Empty job - will be cancelled automatically"},
    {219, L"User Interface component already loaded"},
    {220, L"User Interface component is not loaded"},
    {221, L"Transport Start failed"},
    {222, L"Transport Process failed"},
    {223, L"Transport End failed"},
    {224, L"Redirect: Cannot open printer"},
    {225, L"Redirect: Cannot open spool file"},
    {226, L"Redirect: CreateFileMapping failed"},
    {227, L"Redirect: Malformed Spool File"},
    {228, L"Redirect: StartDoc"},
    {229, L"Redirect: Printer is not ready"},
    {230, L"Redirect: ReadFile"},
    {231, L"Redirect: WritePrinter"},
    {232, L"Redirect: UnderWrite"},
    {233, L""},
    {234, L""},
    {235, L"Cannot set value"},
    {236, L"Cannot save EMF page"},
    {237, L"Cannot load EMF page"},
    {238, L"Job is not in EMF format"},
    {239, L"Unknown value name"},
    {240, L"Stuck job - will be cancelled automatically"},
    {241, L"Cannot set redirect printer to itself"},
};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST(ErrorMessageTest, EveryIdLoadsItsText) {
    for (const Message& m : kMessages) {
        EXPECT_EQ(std::wstring(ErrorMessage(m.id, nullptr).c_str()), m.text) << "id " << m.id;
        EXPECT_EQ(std::wstring(ErrorMessage(m.id, L"x").c_str()), std::wstring(m.text) + L": x")
            << "id " << m.id;
    }
}

// A configured log, COM on this thread and no error information left from before.
class ReportErrorTest : public testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        SetErrorInfo(0, nullptr);
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", dir_.File(L"qlx.log"));
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName",
                       L"QLX_TEST_ERRORS_" + std::to_wstring(GetCurrentProcessId()));
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 1);
        LoadLogConfig();
    }
    void TearDown() override {
        UnloadLogConfig();
        CoUninitialize();
    }
    std::string LogText() {
        UnloadLogConfig();
        std::string text;
        ReadWholeFile(dir_.File(L"qlx.log"), &text);
        return text;
    }

    TempDir dir_;
    TestProductKey key_;
};

struct ReportCase {
    UINT id;
    const wchar_t* detail;
    bool async;
    const wchar_t* message;
    long code;
};

TEST_F(ReportErrorTest, MessageGoesToLogListenerAndErrorInfo) {
    const ReportCase cases[] = {
        {IDS_NO_JOB_READY, nullptr, false, L"There is no job ready for save", 16},
        {IDS_UNKNOWN_VALUE_NAME, L"Colour", false, L"Unknown value name: Colour", 39},
        {IDS_CANNOT_START_ENGINE, nullptr, true, L"Cannot start driver engine", 15},
        {IDS_INVALID_PRINTER_NAME, L"", true, L"Invalid printer name: ", 7},
    };
    for (const ReportCase& c : cases) {
        std::string row = Narrow(c.message) + (c.async ? " (queued)" : " (direct)");
        SCOPED_TRACE(row);
        RecordingDispatcher listener;
        EventPoster poster(listener);
        poster.SetAsyncEvents(c.async);
        poster.AddListener();

        EXPECT_EQ(ReportError(c.id, c.detail, poster), E_FAIL);

        // Set before the call returns, in both modes.
        ComPtr<IErrorInfo> info;
        ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
        ASSERT_TRUE(info);
        ComBstr description, source;
        GUID guid{};
        info->GetDescription(&description);
        info->GetSource(&source);
        info->GetGUID(&guid);
        EXPECT_EQ(std::wstring(description.c_str()), c.message);
        EXPECT_EQ(std::wstring(source.c_str()), L"Quorvane.Lettrix.6.0");
        EXPECT_TRUE(IsEqualGUID(guid, GUID_NULL));

        poster.Shutdown();
        std::vector<FiredEvent> events = listener.Events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].dispid, kOnError);
        EXPECT_EQ(events[0].args, (std::vector<std::wstring>{L"I4 " + std::to_wstring(c.code),
                                                             std::wstring(L"BSTR ") + c.message}));
        if (c.async)
            EXPECT_NE(events[0].thread, GetCurrentThreadId()) << "after the call, elsewhere";
        else
            EXPECT_EQ(events[0].thread, GetCurrentThreadId());
    }
    std::string log = LogText();
    for (const ReportCase& c : cases)
        EXPECT_NE(log.find("C ERROR " + Narrow(c.message) + "\r\n"), std::string::npos)
            << Narrow(c.message) << "\n"
            << log;
}

} // namespace
