#include <gtest/gtest.h>

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "fake_pages.h"
#include "in_process_transport.h"
#include "printed_text.h"
#include "test_printers.h"

namespace {

using Pages = std::vector<std::vector<std::string>>;

// The printer driver's own settings for a printer, turned to landscape, as its dialog would
// give them back.
std::vector<unsigned char> LandscapeSettings(const std::wstring& printer) {
    HANDLE handle = nullptr;
    std::vector<unsigned char> settings;
    if (!OpenPrinterW(const_cast<wchar_t*>(printer.c_str()), &handle, nullptr))
        return settings;
    wchar_t* name = const_cast<wchar_t*>(printer.c_str());
    const LONG size = DocumentPropertiesW(nullptr, handle, name, nullptr, nullptr, 0);
    if (size > 0) {
        settings.resize(size);
        auto* mode = reinterpret_cast<DEVMODEW*>(settings.data());
        // Changed here rather than through DM_IN_BUFFER, which Wine's PostScript driver merges
        // into the printer's own defaults for the rest of the process.
        if (DocumentPropertiesW(nullptr, handle, name, mode, nullptr, DM_OUT_BUFFER) == IDOK) {
            mode->dmFields |= DM_ORIENTATION;
            mode->dmOrientation = DMORIENT_LANDSCAPE;
        } else {
            settings.clear();
        }
    }
    ClosePrinter(handle);
    return settings;
}

bool PrintedLandscape(const std::string& postScript) {
    return postScript.find("%%Orientation: Landscape") != std::string::npos;
}

// Jobs of the transport printed on paper printers.
class PrintedJob : public InProcessTransport {
protected:
    // StartJob, Send and EndJob as the core's send thread calls them; the first failure ends it.
    HRESULT PrintJob(FakePages& pages, long wholeJob = 1, long page = 1) {
        HRESULT hr = plugin_->StartJob();
        if (FAILED(hr))
            return hr;
        hr = plugin_->Send(&pages, wholeJob, page);
        const HRESULT ended = plugin_->EndJob();
        return FAILED(hr) ? hr : ended;
    }
    Pages Printed(const PaperPrinter& printer) {
        Pages pages;
        std::string error;
        EXPECT_TRUE(ReadPrintedPages(printer.Output(), &pages, &error)) << error;
        return pages;
    }
    std::string Output(const PaperPrinter& printer) {
        std::string text;
        ReadWholeFile(printer.Output(), &text);
        return text;
    }
};

TEST_F(PrintedJob, EveryPageOnItsOwnSheetLineByLine) {
    FakePages pages({L"First page, line one\r\nFirst page, line two\r\nFirst page, line three",
                     L"Second page alone", L"Third page\r\nwith two lines\r\n"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{});
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 33, 66, 100}));
    EXPECT_EQ(pages.Asked(), (std::vector<long>{0, 1, 2}));
    EXPECT_EQ(Printed(paperA_),
              (Pages{{"First page, line one", "First page, line two", "First page, line three"},
                     {"Second page alone"},
                     {"Third page", "with two lines"}}));
    EXPECT_EQ(pages.References(), 1) << "the transport keeps no reference to the pages";
}

} // namespace

namespace {

TEST_F(PrintedJob, OnePageOfAJobPrintsThatPageAlone) {
    FakePages pages({L"page one", L"page two", L"page three"});
    ASSERT_EQ(PrintJob(pages, 0, 2), S_OK);
    EXPECT_EQ(pages.Asked(), std::vector<long>{1});
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 100}));
    EXPECT_EQ(Printed(paperA_), (Pages{{"page two"}}));
}

TEST_F(PrintedJob, TheChosenPrinterAndFontPrintTheText) {
    ASSERT_EQ(Put(plugin_, L"printer", paperB_.Name()), S_OK);
    ASSERT_EQ(Put(plugin_, L"font", std::wstring(L"Courier")), S_OK);
    ASSERT_EQ(Put(plugin_, L"height", 20L), S_OK);
    ASSERT_EQ(Put(plugin_, L"weight", 700L), S_OK);
    FakePages pages({L"In Courier\r\nat twenty points"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(paperA_.Output())) << "the default printer printed";
    EXPECT_EQ(Printed(paperB_), (Pages{{"In Courier", "at twenty points"}}));
    // Wine may put a host font in the device font's place, but a bold one.
    EXPECT_NE(Output(paperB_).find("Bold findfont"), std::string::npos)
        << "the weight was not used";
}

TEST_F(PrintedJob, AFontThatCannotBeMadeLeavesThePrintersOwn) {
    ASSERT_EQ(Put(plugin_, L"font", std::wstring(40, L'F')), S_OK);
    FakePages pages({L"still printed"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{L"CreateFontError"});
    EXPECT_EQ(Printed(paperA_), (Pages{{"still printed"}}));
}

TEST_F(PrintedJob, DefaultIsTheSystemsDefaultPrinterWhenPrinting) {
    // A reset forgets the default printer's name, and the default changes afterwards without
    // the transport being told.
    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    ASSERT_EQ(Param(plugin_, L"printer"), L"Default");
    DefaultPrinterScope other(paperB_.Name());
    ASSERT_TRUE(other.Done());
    FakePages pages({L"to the default printer"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{});
    EXPECT_FALSE(FileExists(paperA_.Output()));
    EXPECT_EQ(Printed(paperB_), (Pages{{"to the default printer"}}));
}

TEST_F(PrintedJob, TheProductsOwnPrinterIsRefusedByNameAndAsDefault) {
    OwnPrinter own;
    ASSERT_EQ(own.Result(), S_OK);
    FakePages pages({L"would come back as a job"});

    ASSERT_EQ(Put(plugin_, L"printer", own.Name()), S_OK);
    EXPECT_EQ(plugin_->StartJob(), E_FAIL);
    EXPECT_EQ(events_->Errors(),
              std::vector<std::wstring>{L"Cannot print on the virtual printer " + own.Name()});
    EXPECT_EQ(plugin_->EndJob(), S_OK) << "nothing was opened";
    events_->Clear();

    ASSERT_EQ(Put(plugin_, L"printer", std::wstring(L"Default")), S_OK);
    DefaultPrinterScope ownDefault(own.Name());
    ASSERT_TRUE(ownDefault.Done());
    EXPECT_EQ(plugin_->StartJob(), E_FAIL);
    EXPECT_EQ(events_->Errors(),
              std::vector<std::wstring>{L"Cannot print on the virtual printer " + own.Name()});
}

TEST_F(PrintedJob, APrinterThatFailsIsReported) {
    PaperPrinter broken(L"QLX Paper Broken", folder_.File(L"missing\\paper.ps"));
    ASSERT_EQ(broken.Result(), S_OK);
    ASSERT_EQ(Put(plugin_, L"printer", broken.Name()), S_OK);
    FakePages pages({L"never on paper"});
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    ASSERT_EQ(plugin_->Send(&pages, 1, 1), S_OK);
    EXPECT_EQ(plugin_->EndJob(), E_FAIL);
    EXPECT_EQ(events_->Errors(),
              std::vector<std::wstring>{L"Cannot end printing on " + broken.Name()});
    events_->Clear();

    ASSERT_EQ(Put(plugin_, L"printer", std::wstring(L"QLX No Such Printer")), S_OK);
    EXPECT_EQ(plugin_->StartJob(), E_FAIL);
    EXPECT_EQ(events_->Errors(),
              std::vector<std::wstring>{L"Cannot initialize printer QLX No Such Printer"});
}

TEST_F(PrintedJob, APageThatCannotBeReadAbortsTheDocument) {
    FakePages pages({L"one", L"two", L"three"});
    pages.FailFrom(1); // as the engine's collection does once a cancel started
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{L"GetPage"});
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 100}));
    EXPECT_EQ(plugin_->EndJob(), S_OK) << "the failed Send closed the document itself";
    EXPECT_FALSE(FileExists(paperA_.Output())) << "a part of the job was printed";

    // The object prints the next job as usual.
    events_->Clear();
    FakePages next({L"the next job"});
    ASSERT_EQ(PrintJob(next), S_OK);
    EXPECT_EQ(Printed(paperA_), (Pages{{"the next job"}}));

    events_->Clear();
    FakePages counted({L"x"});
    counted.FailCount();
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    EXPECT_EQ(plugin_->Send(&counted, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{L"GetPage"});
    EXPECT_EQ(plugin_->EndJob(), S_OK);
}

TEST_F(PrintedJob, ACancelledJobsDocumentIsAbortedNotLeftOpen) {
    // The core's send thread stops after StartJob when a cancel comes, without EndJob.
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    FakePages pages({L"the job after the cancel"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_EQ(Printed(paperA_), (Pages{{"the job after the cancel"}}));

    // A transport let go of with its document open prints nothing either.
    paperA_.ClearOutput();
    FakePages half({L"half a job"});
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    ASSERT_EQ(plugin_->Send(&half, 1, 1), S_OK);
    events_.reset();
    plugin_.Release();
    EXPECT_FALSE(FileExists(paperA_.Output()));
}

TEST_F(PrintedJob, DriverSettingsApplyOnlyToThePrinterTheyWereMadeFor) {
    const std::vector<unsigned char> landscapeA = LandscapeSettings(paperA_.Name());
    ASSERT_FALSE(landscapeA.empty());
    ASSERT_EQ(Put(plugin_, L"settings", ByteArray(landscapeA)), S_OK);
    FakePages pages({L"sideways"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_TRUE(PrintedLandscape(Output(paperA_)));
    paperA_.ClearOutput();
    ASSERT_EQ(Put(plugin_, L"settings", ByteArray({})), S_OK);
    ASSERT_EQ(PrintJob(pages), S_OK);
    ASSERT_FALSE(PrintedLandscape(Output(paperA_))) << "the driver's defaults changed";

    ASSERT_EQ(Put(plugin_, L"printer", paperB_.Name()), S_OK);
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_FALSE(PrintedLandscape(Output(paperB_))) << "printer A's settings were used on B";

    // Settings whose shape is wrong are not handed to the driver.
    struct Row {
        const char* row;
        std::vector<unsigned char> bytes;
    } rows[] = {
        {"cut short", std::vector<unsigned char>(landscapeA.begin(), landscapeA.begin() + 100)},
        {"a few bytes", {1, 2, 3}},
        {"oversized dmDriverExtra", landscapeA},
    };
    rows[2].bytes[70] = 0xff;
    rows[2].bytes[71] = 0x7f;
    ASSERT_EQ(Put(plugin_, L"printer", paperA_.Name()), S_OK);
    for (const Row& row : rows) {
        paperA_.ClearOutput();
        ASSERT_EQ(Put(plugin_, L"settings", ByteArray(row.bytes)), S_OK) << row.row;
        ASSERT_EQ(PrintJob(pages), S_OK) << row.row;
        EXPECT_FALSE(PrintedLandscape(Output(paperA_))) << row.row;
        EXPECT_EQ(Printed(paperA_), (Pages{{"sideways"}})) << row.row;
    }
}

TEST_F(PrintedJob, SettingsOfAPrinterWithALongNameApplyToIt) {
    PaperPrinter longName(L"QLX Paper with a name longer than a DEVMODE holds",
                          folder_.File(L"paper-long.ps"));
    ASSERT_EQ(longName.Result(), S_OK);
    const std::vector<unsigned char> landscape = LandscapeSettings(longName.Name());
    ASSERT_FALSE(landscape.empty());
    ASSERT_EQ(Put(plugin_, L"printer", longName.Name()), S_OK);
    ASSERT_EQ(Put(plugin_, L"settings", ByteArray(landscape)), S_OK);
    FakePages pages({L"long name"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    EXPECT_TRUE(PrintedLandscape(Output(longName)));
}

TEST_F(PrintedJob, APageTallerThanTheSheetIsCutAtTheRectangle) {
    std::wstring tall;
    for (int line = 1; line <= 300; ++line)
        tall += L"line " + std::to_wstring(line) + L"\r\n";
    FakePages pages({tall, L"the second page"});
    ASSERT_EQ(PrintJob(pages), S_OK);
    const Pages printed = Printed(paperA_);
    ASSERT_EQ(printed.size(), 2u) << "the first page spilled onto another sheet";
    ASSERT_GT(printed[0].size(), 10u);
    EXPECT_LT(printed[0].size(), 300u);
    for (size_t i = 0; i < printed[0].size(); ++i)
        EXPECT_EQ(printed[0][i], "line " + std::to_string(i + 1));
    EXPECT_EQ(printed[1], std::vector<std::string>{"the second page"});

    // Nothing is drawn below the drawing rectangle: a margin of the physical offset (18 points
    // on this A4 printer at 300 dpi) above the printable area's bottom.
    std::vector<MarkBox> boxes;
    std::string error;
    ASSERT_TRUE(ReadMarkBoxes(paperA_.Output(), &boxes, &error)) << error;
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_GE(boxes[0].bottom, 18.0 + 18.0 - 1.0);
}

} // namespace
