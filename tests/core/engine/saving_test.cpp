#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "engine_in_process.h"
#include "handle.h"

namespace {

constexpr DWORD kHangMs = 20000;

using Lines = std::vector<std::wstring>;
const Lines kWholeJobCalls = {L"StartJob", L"Send(1,1)", L"EndJob"};

// Saves through the two fake transports "Alpha" and "Beta", both enabled.
class Saving : public EngineInProcess {
protected:
    void Start(DWORD autosave = 0) {
        key_.SetDword(HKEY_CURRENT_USER, L"Autosave", autosave);
        ASSERT_EQ(Create(), S_OK);
        recorder_ = StartListening();
        ASSERT_EQ(engine_->put_Transport(ComBstr(L"Alpha,Beta")), S_OK);
        alpha_ = plugins_.Transport(L"Alpha");
        beta_ = plugins_.Transport(L"Beta");
        ASSERT_TRUE(alpha_ && beta_);
        alpha_->ClearCalls();
        beta_->ClearCalls();
    }
    LONG TotalJobs() {
        LONG count = -1;
        EXPECT_EQ(engine_->get_TotalJobs(&count), S_OK);
        return count;
    }
    LONG RenderedPages() {
        LONG count = -1;
        EXPECT_EQ(engine_->get_RenderedPages(&count), S_OK);
        return count;
    }
    // The cancel that a failed save starts has ended.
    void WaitForCancels() { Engine().CancelCounter().Wait(L"test"); }
    Lines SaveEvents() { return recorder_->Lines({kOnSavingEvent, kOnError, kOnCancelJob}); }

    EventRecorder* recorder_ = nullptr;
    FakeTransport* alpha_ = nullptr;
    FakeTransport* beta_ = nullptr;
};

TEST_F(Saving, AWholeJobGoesThroughEveryTransportOnceAndIsThenDropped) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}));
    recorder_->Clear();
    ASSERT_EQ(engine_->SaveAllPagesWait(), S_OK);
    EXPECT_EQ(alpha_->Calls(), kWholeJobCalls);
    EXPECT_EQ(beta_->Calls(), kWholeJobCalls);
    EXPECT_EQ(SaveEvents(), (Lines{L"8(2)", L"8(5)", L"7"}));
    EXPECT_EQ(TotalJobs(), 0);
    // Nothing is left to save.
    EXPECT_EQ(engine_->SaveAllPages(), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"There is no job ready for save");
}

// During a whole-job save the transports read the separator, the header, the pages and the
// footer, in that order; the pages converted as the save's start found the settings.
TEST_F(Saving, TransportsReadSeparatorHeaderPagesAndFooterInOrder) {
    ASSERT_NO_FATAL_FAILURE(Start());
    plugins_.Format()->SetHeaderFooter(L"header", L"footer");
    CreateDirectoryW(SpoolFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(SpoolFolder() + L"00005.sep", std::string("SEP\0junk", 8)));
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}));
    ASSERT_EQ(engine_->put_value(ComBstr(L"Charset"), ComVariant(5L)), S_OK);
    std::vector<LONG> sizes;
    alpha_->SetDuringSend([&](IRenderedCollection* pages) {
        LONG size = 0;
        pages->ItemSize(2, &size);
        sizes.push_back(size);
        engine_->put_value(ComBstr(L"Charset"), ComVariant(1252L));
        pages->ItemSize(2, &size);
        sizes.push_back(size);
    });
    ASSERT_EQ(engine_->SaveAllPagesWait(), S_OK);
    const Lines expected = {L"SEP", L"header", L"0:a", L"1:b", L"footer"};
    EXPECT_EQ(alpha_->PagesRead(), expected);
    EXPECT_EQ(beta_->PagesRead(), expected);
    EXPECT_EQ(sizes, (std::vector<LONG>{6, 6})) << "one save, one encoding";
}

TEST_F(Saving, AnEditedPageIsWhatTheTransportReceives) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}));
    EXPECT_EQ(engine_->UpdatePage(2, ComBstr(L"x")), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Invalid page number");
    ASSERT_EQ(engine_->UpdatePage(1, ComBstr(L"edited")), S_OK);
    ComBstr text;
    ASSERT_EQ(engine_->GetPage(1, &text), S_OK);
    EXPECT_STREQ(text.c_str(), L"edited");
    recorder_->Clear();
    ASSERT_EQ(engine_->SavePageWait(1), S_OK);
    EXPECT_EQ(alpha_->Calls(), (Lines{L"StartJob", L"Send(0,2)", L"EndJob"}));
    EXPECT_EQ(alpha_->PagesRead(), (Lines{L"0:a", L"edited"}));
    EXPECT_EQ(SaveEvents(), (Lines{L"8(1)", L"8(4)"}));
    EXPECT_EQ(TotalJobs(), 1) << "a page's save keeps the job";
}

// A transport that fails: its error, and the job dropped with Autosave or kept (without the
// entries the save added) without it; the next save or job goes through.
TEST_F(Saving, AFailingTransportReportsItsStepAndTheJobIsKeptOrDropped) {
    const struct {
        const wchar_t* failAt;
        DWORD autosave;
        const wchar_t* error;
        Lines calls;
    } rows[] = {
        {L"StartJob", 0, L"2(21,Transport Start failed)", {L"StartJob"}},
        {L"Send", 0, L"2(22,Transport Process failed)", kWholeJobCalls},
        {L"EndJob", 0, L"2(23,Transport End failed)", kWholeJobCalls},
        {L"StartJob", 1, L"2(21,Transport Start failed)", {L"StartJob"}},
        {L"Send", 1, L"2(22,Transport Process failed)", kWholeJobCalls},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "fails at " << row.failAt << ", autosave " << row.autosave);
        TearDown();
        ASSERT_NO_FATAL_FAILURE(Start(row.autosave));
        plugins_.Format()->SetHeaderFooter(L"header", L"footer");
        beta_->FailAt(row.failAt);
        ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}));
        if (row.autosave == 0)
            ASSERT_EQ(engine_->SaveAllPagesWait(), S_OK);
        else
            Engine().WaitForSavesForTests();
        WaitForCancels();
        EXPECT_EQ(beta_->Calls(), row.calls);
        // The other transport may have been stopped by the failure's cancel; a job it started
        // it ended.
        const Lines other = alpha_->Calls();
        EXPECT_TRUE(other.empty() || other == kWholeJobCalls);
        EXPECT_EQ(recorder_->Lines({kOnError}), Lines{row.error});
        EXPECT_EQ(recorder_->Lines({kOnSavingEvent}), (Lines{L"8(2)", L"8(5)"}));
        beta_->FailAt(L"");
        alpha_->ClearCalls();
        if (row.autosave == 0) {
            EXPECT_EQ(TotalJobs(), 1) << "kept for another try";
            EXPECT_EQ(RenderedPages(), 2) << "without the header and footer";
            ASSERT_EQ(engine_->SaveAllPagesWait(), S_OK);
            EXPECT_EQ(alpha_->PagesRead(), (Lines{L"header", L"0:a", L"1:b", L"footer"}));
        } else {
            EXPECT_EQ(TotalJobs(), 0) << "dropped";
            ASSERT_NO_FATAL_FAILURE(Capture(6, {{L"next"}}));
            Engine().WaitForSavesForTests();
            EXPECT_EQ(alpha_->Calls(), kWholeJobCalls);
        }
        EXPECT_EQ(TotalJobs(), 0);
        ASSERT_EQ(engine_->CancelAllJobs(), S_OK);
    }
}

// A cancel while a transport sends: the transport that started its job still ends it.
TEST_F(Saving, ACancelDuringASendStillEndsTheTransportsJob) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}}));
    UniqueHandle inSend(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle goOn(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    alpha_->SetDuringSend([&](IRenderedCollection*) {
        SetEvent(inSend.Get());
        WaitForSingleObject(goOn.Get(), kHangMs);
    });
    ASSERT_EQ(engine_->SaveAllPages(), S_OK);
    ASSERT_EQ(WaitForSingleObject(inSend.Get(), kHangMs), static_cast<DWORD>(WAIT_OBJECT_0));
    // A second save while the first sends is refused.
    EXPECT_EQ(engine_->SaveAllPages(), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Busy: processing is in progress");
    EXPECT_EQ(engine_->UpdatePage(0, ComBstr(L"x")), E_FAIL);
    recorder_->Clear();
    ASSERT_EQ(engine_->CancelJob(), S_OK);
    SetEvent(goOn.Get());
    Engine().WaitForSavesForTests();
    WaitForCancels();
    EXPECT_EQ(alpha_->Calls(), kWholeJobCalls);
    EXPECT_EQ(TotalJobs(), 0);
    EXPECT_TRUE(recorder_->Lines({kOnError}).empty()) << "a cancel reports nothing";
}

TEST_F(Saving, JobPropertiesAndCountsOfTheProcessedJob) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const struct {
        const wchar_t* name;
        std::wstring without;
        std::wstring with;
    } rows[] = {
        {L"JobID", L"3:0", L"3:5"},
        {L"Resolution", L"3:0", L"3:300"},
        {L"Status", L"3:0", L"3:15"},
        {L"Printer", L"8:", L"8:Quorvane Text Printer"},
        {L"Document", L"8:", L"8:Editor - report.txt"},
        {L"Format", L"8:", L"8:TEXT"},
        {L"SepFile", L"8:", L"8:"},
        {L"jobid", L"0:", L"0:"},
    };
    auto property = [&](const wchar_t* name) {
        ComVariant value;
        EXPECT_EQ(engine_->get_JobProperty(ComBstr(name), &value), S_OK);
        std::wstring text = std::to_wstring(V_VT(&value)) + L":";
        if (V_VT(&value) == VT_I4)
            text += std::to_wstring(V_I4(&value));
        else if (V_VT(&value) == VT_BSTR)
            text += V_BSTR(&value);
        return text;
    };
    for (const auto& row : rows)
        EXPECT_EQ(property(row.name), row.without) << row.name;
    ComBstr text;
    EXPECT_EQ(engine_->GetPage(0, &text), E_INVALIDARG);
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}, {L"c"}}, true, L"Editor - report.txt"));
    for (const auto& row : rows)
        EXPECT_EQ(property(row.name), row.with) << row.name;
    EXPECT_NE(property(L"SpoolFile"), L"8:");
    LONG count = 0;
    ASSERT_EQ(engine_->get_TotalPages(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(RenderedPages(), 3);
    ComBstr document;
    ASSERT_EQ(engine_->get_DocumentName(&document), S_OK);
    EXPECT_STREQ(document.c_str(), L"report");
}

// A change of the selected format's parameter renders the open job again, with its events.
TEST_F(Saving, AFormatParameterChangeRendersTheJobAgain) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Capture(5, {{L"a"}, {L"b"}}));
    plugins_.Format()->ClearRendered();
    recorder_->Clear();
    ASSERT_EQ(engine_->put_FormatParam(ComBstr(L"Plain"), ComBstr(L"width"), ComVariant(7L)), S_OK);
    EXPECT_EQ(plugins_.Format()->Rendered(), (Lines{L"0:a", L"1:b"}));
    EXPECT_EQ(recorder_->Lines({kOnPageRendered, kOnAllPagesRendered}),
              (Lines{L"3(0)", L"3(1)", L"4"}));
    EXPECT_EQ(RenderedPages(), 2);
}

TEST_F(Saving, ValuesByNameAreTheExposedOnesOnly) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ComVariant value;
    ASSERT_EQ(engine_->get_value(ComBstr(L"Charset"), &value), S_OK);
    EXPECT_EQ(V_I4(&value), 5);
    recorder_->Clear();
    EXPECT_EQ(engine_->put_value(ComBstr(L"TransportPlugin"), ComVariant(L"Nowhere")), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Unknown value name: TransportPlugin");
    EXPECT_EQ(engine_->put_value(ComBstr(L"Charset"), ComVariant(L"text")), E_FAIL);
    EXPECT_EQ(LastErrorText(), L"Cannot set value");
    EXPECT_EQ(recorder_->Lines({kOnSettingChangeFailed}),
              (Lines{L"12(Core,TransportPlugin)", L"12(Core,Charset)"}));
    ComBstr transport;
    ASSERT_EQ(engine_->get_Transport(&transport), S_OK);
    EXPECT_STREQ(transport.c_str(), L"Alpha,Beta");
}

} // namespace
