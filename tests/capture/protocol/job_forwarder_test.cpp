#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job_forwarder.h"
#include "pipe_writer.h"
#include "recording_sink.h"
#include "stream_bytes.h"

namespace {

Bytes StartDoc() {
    PipeMessage message;
    BuildStartDoc(u"Lettrix", u"RAW", 17, 600, u"doc", &message);
    return BytesOf(message);
}

Bytes StartPage() {
    PipeMessage message;
    BuildStartPage(100, 200, &message);
    return BytesOf(message);
}

Bytes Item() {
    TextRun run;
    run.x0 = 1;
    run.y0 = 2;
    run.x1 = 3;
    run.y1 = 4;
    run.text = u"t";
    run.face = u"F";
    TextItemSplitter splitter(run);
    PipeMessage message;
    splitter.Next(&message);
    return BytesOf(message);
}

Bytes EndDoc() {
    PipeMessage message;
    BuildEndDoc(&message);
    return BytesOf(message);
}

Bytes Stream(std::initializer_list<Bytes> messages) {
    Bytes stream;
    for (const Bytes& message : messages)
        Append(&stream, message);
    return stream;
}

const char kStartJob[] = "int_StartJob(Lettrix,RAW,17,600,doc)";
const char kStartPage[] = "int_StartPage(100,200)";
const char kAdd[] = "int_Add(1,2,3,4,t,F)";
const char kEndJob[] = "int_EndJob()";

struct OrderRow {
    const char* name;
    Bytes stream;
    std::vector<std::string> calls;
    JobOutcome outcome;
};

TEST(JobForwarder, ForwardsOnlyWhatTheOrderAllowsAndStopsAtTheFirstFault) {
    const Bytes unknown = {6, 0, 0, 0, 9, 0};
    const Bytes shortPage = {12, 0, 0, 0, 2, 1, 0, 0, 0, 2, 0, 0};
    const OrderRow rows[] = {
        {"a whole job",
         Stream({StartDoc(), StartPage(), Item(), Item(), EndDoc()}),
         {kStartJob, kStartPage, kAdd, kAdd, kEndJob},
         JobOutcome::kDelivered},
        {"a job with no pages",
         Stream({StartDoc(), EndDoc()}),
         {kStartJob, kEndJob},
         JobOutcome::kDelivered},
        {"nothing after EndDoc is read",
         Stream({StartDoc(), EndDoc(), StartPage()}),
         {kStartJob, kEndJob},
         JobOutcome::kDelivered},
        {"a second StartDoc",
         Stream({StartDoc(), StartPage(), StartDoc(), Item(), EndDoc()}),
         {kStartJob, kStartPage},
         JobOutcome::kOutOfOrder},
        {"TextItem before StartPage",
         Stream({StartDoc(), Item(), StartPage(), EndDoc()}),
         {kStartJob},
         JobOutcome::kOutOfOrder},
        {"StartPage first",
         Stream({StartPage(), StartDoc(), EndDoc()}),
         {},
         JobOutcome::kOutOfOrder},
        {"EndDoc first", Stream({EndDoc()}), {}, JobOutcome::kOutOfOrder},
        {"TextItem first", Stream({Item()}), {}, JobOutcome::kOutOfOrder},
        {"an unknown command",
         Stream({StartDoc(), StartPage(), unknown, EndDoc()}),
         {kStartJob, kStartPage},
         JobOutcome::kUnknownCommand},
        {"a short StartPage",
         Stream({StartDoc(), shortPage, EndDoc()}),
         {kStartJob},
         JobOutcome::kMalformed},
        {"a stream that ends before EndDoc",
         Stream({StartDoc(), StartPage(), Item()}),
         {kStartJob, kStartPage, kAdd},
         JobOutcome::kReadFailed},
        {"an empty stream", {}, {}, JobOutcome::kReadFailed},
        {"a length of 3",
         Stream({StartDoc(), Bytes{3, 0, 0, 0, 4}}),
         {kStartJob},
         JobOutcome::kBadLength},
    };
    for (const OrderRow& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingSink sink;
        JobForwarder forwarder(sink);
        ChunkedSource source(row.stream, 3);
        EXPECT_EQ(forwarder.Run(source), row.outcome);
        EXPECT_EQ(sink.calls, row.calls);
        EXPECT_EQ(forwarder.Fault() == nullptr, row.outcome == JobOutcome::kDelivered);
    }
}

// The relay reads the first message itself (under its time limit), then hands it over.
TEST(JobForwarder, TakesAFirstMessageReadBeforeTheRest) {
    RecordingSink sink;
    JobForwarder forwarder(sink);
    PipeMessage first;
    ChunkedSource firstSource(StartDoc());
    ASSERT_EQ(ReadPipeMessage(firstSource, &first), ReadStatus::kMessage);
    EXPECT_FALSE(forwarder.Started());
    EXPECT_TRUE(forwarder.Take(first));
    EXPECT_TRUE(forwarder.Started());
    ChunkedSource rest(Stream({StartPage(), EndDoc()}));
    EXPECT_EQ(forwarder.Run(rest), JobOutcome::kDelivered);
    EXPECT_EQ(sink.calls, (std::vector<std::string>{kStartJob, kStartPage, kEndJob}));
    EXPECT_FALSE(forwarder.Take(first)) << "an ended job takes nothing more";
    EXPECT_EQ(sink.calls.size(), 3u);
}

} // namespace
