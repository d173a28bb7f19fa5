// DocumentEvent as the printing application's GDI calls it: the filter, the device context's
// creation and the start of each document, which starts the job's relay from the product's
// folder and waits for it.
#include <gtest/gtest.h>

#include <vector>

#include "drvui_harness.h"
#include "job_objects.h"

namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;
constexpr INT kSpooled = DOCUMENTEVENT_SPOOLED;
const HANDLE kPrinterA = reinterpret_cast<HANDLE>(0x1A0);
const HANDLE kPrinterB = reinterpret_cast<HANDLE>(0x1B0);

std::wstring RelayLine(const std::wstring& folder, long job) {
    return L"\"" + folder + L"\\qlxstub.exe\" " + std::to_wstring(job) + L"\n";
}

bool UncEventSet() {
    UniqueHandle event(OpenEventW(SYNCHRONIZE, FALSE, L"qlx_UNCPrinterEvent"));
    return event && WaitForSingleObject(event.Get(), 0) == WAIT_OBJECT_0;
}

class DocumentEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(module_.Get(), nullptr) << "cannot load the module";
        plugin_ = module_.CreatePlugin();
        ASSERT_NE(plugin_, nullptr);
    }
    void TearDown() override {
        if (plugin_)
            plugin_->Release();
    }

    // The filter in a buffer of `slots` event slots followed by a guard word.
    struct FilterRoom {
        std::vector<DWORD> words;
        DOCEVENT_FILTER* filter() { return reinterpret_cast<DOCEVENT_FILTER*>(words.data()); }
    };
    static FilterRoom MakeFilter(UINT allocated, size_t slots) {
        FilterRoom room;
        room.words.assign(4 + slots + 1, kSentinel);
        room.filter()->cbSize = sizeof(DOCEVENT_FILTER);
        room.filter()->cElementsAllocated = allocated;
        return room;
    }

    LoadedModule module_;
    IPrintOemUI2* plugin_ = nullptr;
};

TEST_F(DocumentEventTest, QueryFilterAnswersStartOfDocumentAndDeviceContextWhenThereIsRoom) {
    struct Row {
        const char* name;
        INT escape;
        UINT allocated;
        size_t slots;    // room in the buffer
        ULONG cut_bytes; // bytes of the buffer not given in its size
        UINT returned;
    } rows[] = {
        {"exact room", DOCUMENTEVENT_QUERYFILTER, 2, 2, 0, 2},
        {"spooled", DOCUMENTEVENT_QUERYFILTER | kSpooled, 2, 2, 0, 2},
        {"more room", DOCUMENTEVENT_QUERYFILTER, 4, 4, 0, 2},
        {"one slot", DOCUMENTEVENT_QUERYFILTER, 1, 1, 0, 0},
        {"allocated beyond the size", DOCUMENTEVENT_QUERYFILTER, 5, 2, 4, 0},
        {"none allocated", DOCUMENTEVENT_QUERYFILTER, 0, 2, 0, 0},
    };
    for (const Row& row : rows) {
        FilterRoom room = MakeFilter(row.allocated, row.slots);
        const ULONG bytes = static_cast<ULONG>((4 + row.slots) * sizeof(DWORD)) - row.cut_bytes;
        INT result = 0;
        EXPECT_EQ(plugin_->DocumentEvent(nullptr, nullptr, row.escape, 0, nullptr, bytes,
                                         room.filter(), &result),
                  S_OK)
            << row.name;
        EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS) << row.name;
        DOCEVENT_FILTER* filter = room.filter();
        EXPECT_EQ(filter->cElementsNeeded, 2u) << row.name;
        EXPECT_EQ(filter->cElementsReturned, row.returned) << row.name;
        if (row.returned) {
            EXPECT_EQ(filter->aDocEventCall[0], static_cast<DWORD>(DOCUMENTEVENT_STARTDOCPOST))
                << row.name;
            EXPECT_EQ(filter->aDocEventCall[1], static_cast<DWORD>(DOCUMENTEVENT_CREATEDCPRE))
                << row.name;
        }
        // Nothing written behind the events returned, nor into a filter too small for them.
        for (size_t i = 4 + row.returned; i < room.words.size(); ++i)
            EXPECT_EQ(room.words[i], kSentinel) << row.name << ": word " << i;
    }
}

// Inputs that are missing, short or out of range: nothing happens, no relay starts, and the
// application still hears success.
TEST_F(DocumentEventTest, BadInputsDoNothingAndSucceed) {
    FakeRelayFolder relays(L"exit");
    ASSERT_TRUE(relays.Installed());
    DriverPathValue folder(relays.Folder());

    LONG job = 23101;
    LONG zero_job = 0;
    LONG negative_job = -23101;
    DOCEVENT_CREATEDCPRE no_device = {};
    DWORD filter_header[3] = {2, 2, kSentinel}; // shorter than a filter's header
    struct Row {
        const char* name;
        INT escape;
        ULONG in_bytes;
        void* in;
        ULONG out_bytes;
        void* out;
        bool result;
    } rows[] = {
        {"start: no input", DOCUMENTEVENT_STARTDOCPOST, sizeof(LONG), nullptr, 0, nullptr, true},
        {"start: no input, no result", DOCUMENTEVENT_STARTDOCPOST, 4, nullptr, 0, nullptr, false},
        {"start: size 0", DOCUMENTEVENT_STARTDOCPOST, 0, &job, 0, nullptr, true},
        {"start: size 3", DOCUMENTEVENT_STARTDOCPOST, 3, &job, 0, nullptr, true},
        {"start: job 0", DOCUMENTEVENT_STARTDOCPOST, 4, &zero_job, 0, nullptr, true},
        {"start: negative job", DOCUMENTEVENT_STARTDOCPOST, 4, &negative_job, 0, nullptr, true},
        {"create: no input", DOCUMENTEVENT_CREATEDCPRE, sizeof(no_device), nullptr, 0, nullptr,
         true},
        {"create: short", DOCUMENTEVENT_CREATEDCPRE, 8, &no_device, 0, nullptr, true},
        {"create: no device name", DOCUMENTEVENT_CREATEDCPRE, sizeof(no_device), &no_device, 0,
         nullptr, false},
        {"filter: no output", DOCUMENTEVENT_QUERYFILTER, 0, nullptr, 64, nullptr, true},
        {"filter: size 0", DOCUMENTEVENT_QUERYFILTER, 0, nullptr, 0, filter_header, true},
        {"filter: shorter than its header", DOCUMENTEVENT_QUERYFILTER, 0, nullptr,
         sizeof(filter_header), filter_header, true},
        {"unknown event", 99, 4, &job, 0, nullptr, true},
        {"event 0", 0, 4, &job, 0, nullptr, true},
        {"event -1", -1, 4, &job, 0, nullptr, true},
    };
    for (const Row& row : rows) {
        INT result = 0;
        EXPECT_EQ(plugin_->DocumentEvent(kPrinterA, nullptr, row.escape, row.in_bytes, row.in,
                                         row.out_bytes, row.out, row.result ? &result : nullptr),
                  S_OK)
            << row.name;
        if (row.result) {
            EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS) << row.name;
        }
    }
    EXPECT_EQ(filter_header[2], kSentinel);
    EXPECT_EQ(relays.StartLines(), L"") << "no row may start a relay";
    EXPECT_FALSE(JobEventExists(job));
}

// The program is the product folder's qlxstub.exe, quoted (the folder has a blank), with the
// job id; a folder with or without its closing backslash, and a spooled document's start.
TEST_F(DocumentEventTest, StartOfDocumentStartsTheFoldersRelayWithTheJobId) {
    FakeRelayFolder relays(L"signal");
    ASSERT_TRUE(relays.Installed());
    struct Row {
        const char* name;
        std::wstring driver_path;
        INT escape;
        LONG job;
    } rows[] = {
        {"closing backslash", relays.Folder() + L"\\", DOCUMENTEVENT_STARTDOCPOST, 23201},
        {"no closing backslash", relays.Folder(), DOCUMENTEVENT_STARTDOCPOST, 23202},
        {"spooled", relays.Folder(), DOCUMENTEVENT_STARTDOCPOST | kSpooled, 23203},
    };
    std::wstring expected;
    for (const Row& row : rows) {
        DriverPathValue folder(row.driver_path);
        ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"Quorvane Text Printer"), S_OK);
        EXPECT_EQ(StartDocPost(plugin_, kPrinterA, row.job, row.escape), S_OK) << row.name;
        expected += RelayLine(relays.Folder(), row.job);
        EXPECT_EQ(relays.StartLines(), expected) << row.name;
        // The relay that set it has ended and the module let go of it: no relay waits.
        EXPECT_TRUE(WaitForJobEventGone(row.job, 5000)) << row.name;
    }
}

TEST_F(DocumentEventTest, RelayThatEndsWithoutItsEventEndsTheWaitAtOnce) {
    FakeRelayFolder relays(L"exit");
    ASSERT_TRUE(relays.Installed());
    DriverPathValue folder(relays.Folder());
    constexpr LONG kJob = 23301;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, kJob), S_OK);
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_EQ(relays.StartLines(), RelayLine(relays.Folder(), kJob));
    // Far below the 20-s limit: the wait ended with the relay, not by its time limit.
    EXPECT_LT(waited, 10000u);
    // Without the event the rendering module prints the job directly.
    EXPECT_FALSE(JobEventExists(kJob));
}

TEST_F(DocumentEventTest, RelayThatNeverSetsItsEventIsWaitedForTwentySeconds) {
    FakeRelayFolder relays(L"hang");
    ASSERT_TRUE(relays.Installed());
    DriverPathValue folder(relays.Folder());
    constexpr LONG kJob = 23302;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, kJob), S_OK);
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_EQ(relays.StartLines(), RelayLine(relays.Folder(), kJob));
    EXPECT_GE(waited, 19000u);
    EXPECT_LT(waited, 40000u);
}

TEST_F(DocumentEventTest, RelayThatCannotStartLeavesNoJobEvent) {
    TempDir empty;
    DriverPathValue folder(empty.Path());
    constexpr LONG kJob = 23303;
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, kJob), S_OK);
    EXPECT_FALSE(JobEventExists(kJob));
}

// A UNC printer gets no relay and no job event; a local printer's device context resets that,
// so the next local job starts its relay again.
TEST_F(DocumentEventTest, UncPrinterStartsNoRelayUntilALocalPrinterFollows) {
    FakeRelayFolder relays(L"signal");
    ASSERT_TRUE(relays.Installed());
    DriverPathValue folder(relays.Folder());

    ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"\\\\server\\Quorvane Text Printer"), S_OK);
    EXPECT_TRUE(UncEventSet());
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, 23401), S_OK);
    EXPECT_EQ(relays.StartLines(), L"");
    EXPECT_FALSE(JobEventExists(23401));

    ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"Quorvane Text Printer",
                          DOCUMENTEVENT_CREATEDCPRE | kSpooled),
              S_OK);
    EXPECT_FALSE(UncEventSet());
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, 23402), S_OK);
    EXPECT_EQ(relays.StartLines(), RelayLine(relays.Folder(), 23402));

    struct Row {
        const wchar_t* device;
        bool unc;
    } names[] = {{L"\\\\s\\p", true}, {L"\\", false}, {L"\\x\\y", false}, {L"", false}};
    for (const Row& row : names) {
        ASSERT_EQ(CreateDcPre(plugin_, kPrinterB, row.device), S_OK);
        EXPECT_EQ(UncEventSet(), row.unc) << static_cast<int>(wcslen(row.device));
    }
}

// The decision belongs to each document's printer: a device context made meanwhile for
// another printer does not decide for a document already under way.
TEST_F(DocumentEventTest, EachDocumentIsDecidedByItsOwnPrinter) {
    FakeRelayFolder relays(L"signal");
    ASSERT_TRUE(relays.Installed());
    DriverPathValue folder(relays.Folder());

    ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"\\\\server\\share"), S_OK);
    ASSERT_EQ(CreateDcPre(plugin_, kPrinterB, L"Quorvane Text Printer"), S_OK);
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, 23501), S_OK);
    EXPECT_EQ(relays.StartLines(), L"") << "the UNC printer's document started a relay";

    ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"\\\\server\\share"), S_OK);
    EXPECT_EQ(StartDocPost(plugin_, kPrinterB, 23502), S_OK);
    EXPECT_EQ(relays.StartLines(), RelayLine(relays.Folder(), 23502))
        << "the local printer's document started no relay";
}

// The real relay, started from its build folder: it sets its event within the wait and then
// serves the job's pipe until the rendering module's connection ends.
TEST_F(DocumentEventTest, RealRelaySetsItsEventInTime) {
    DriverPathValue folder(QLX_RELAY_FOLDER);
    constexpr LONG kJob = 23601;
    ASSERT_EQ(CreateDcPre(plugin_, kPrinterA, L"Quorvane Text Printer"), S_OK);
    EXPECT_EQ(StartDocPost(plugin_, kPrinterA, kJob), S_OK);
    bool is_set = false;
    ASSERT_TRUE(JobEventExists(kJob, &is_set)) << "no relay holds the job's event";
    EXPECT_TRUE(is_set);

    // As the rendering module would: connect, then close without a message; the relay ends.
    const std::wstring pipe_name = JobPipeName(kDefaultObjectPrefix, kJob);
    UniqueHandle pipe;
    for (int i = 0; i < 100 && !pipe; ++i) {
        pipe.Reset(
            CreateFileW(pipe_name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!pipe && !WaitNamedPipeW(pipe_name.c_str(), 2000))
            Sleep(100);
    }
    EXPECT_TRUE(pipe.Valid()) << "the relay's pipe never appeared";
    pipe.Reset();
    EXPECT_TRUE(WaitForJobEventGone(kJob, 40000)) << "the relay did not end";
}

} // namespace
