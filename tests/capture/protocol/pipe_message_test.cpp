#include <gtest/gtest.h>

#include <string>

#include "pipe_bytes.h"
#include "pipe_reader.h"
#include "pipe_writer.h"
#include "stream_bytes.h"

namespace {

PipeMessage StartDoc(std::u16string_view printer, std::u16string_view datatype, int32_t job,
                     int32_t dpi, std::u16string_view document) {
    PipeMessage message;
    BuildStartDoc(printer, datatype, job, dpi, document, &message);
    return message;
}

PipeMessage OneTextItem(std::u16string_view text, std::u16string_view face) {
    TextRun run;
    run.x0 = 10;
    run.y0 = 20;
    run.x1 = 30;
    run.y1 = 40;
    run.text = text;
    run.face = face;
    TextItemSplitter splitter(run);
    PipeMessage message;
    EXPECT_TRUE(splitter.Next(&message));
    PipeMessage none;
    EXPECT_FALSE(splitter.Next(&none));
    return message;
}

PipeMessage FromBytes(const Bytes& bytes) {
    PipeMessage message;
    ChunkedSource source(bytes);
    EXPECT_EQ(ReadPipeMessage(source, &message), ReadStatus::kMessage);
    return message;
}

TEST(PipeWriter, MessagesHaveTheSizesOfTheWireFormat) {
    PipeMessage end;
    BuildEndDoc(&end);
    PipeMessage page;
    BuildStartPage(4961, 7016, &page);
    const struct {
        const char* name;
        PipeMessage message;
        uint32_t size;
    } rows[] = {
        {"EndDoc", end, 5},
        {"StartPage", page, 13},
        {"StartDoc of one-character printer, RAW, no name", StartDoc(u"P", u"RAW", 7, 600, u""),
         27},
        {"StartDoc of the EMF type", StartDoc(u"Lettrix", u"NT EMF 1.008", 1, 300, u"a.txt"),
         19 + 2 * (7 + 12 + 5)},
        {"TextItem of two characters in a five-character face", OneTextItem(u"Hi", u"Arial"), 39},
        {"TextItem with no text", OneTextItem(u"", u""), 25},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.message.size, row.size);
        EXPECT_EQ(GetU32(row.message.bytes), row.size) << "the length field counts itself";
    }
}

TEST(PipeWriter, FieldsAreLittleEndianAndStringsEndInZero) {
    const Bytes expected = {
        27,   0,    0,    0,                  // length
        1,                                    // StartDoc
        'P',  0,    0,    0,                  // printer
        'R',  0,    'A',  0,    'W', 0, 0, 0, // data type
        0xfe, 0xff, 0xff, 0xff,               // job id -2
        0x58, 0x02, 0,    0,                  // 600 dpi
        0,    0,                              // empty document name
    };
    EXPECT_EQ(BytesOf(StartDoc(u"P", u"RAW", -2, 600, u"")), expected);

    // clang-format off
    const Bytes item = {
        39, 0, 0, 0, 3,                                  // length, TextItem
        10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0, 40, 0, 0, 0, // x0, y0, x1, y1
        'H', 0, 0xac, 0x20, 0, 0,                        // "H" and the euro sign
        'A', 0, 'r', 0, 'i', 0, 'a', 0, 'l', 0, 0, 0,    // face name
    };
    // clang-format on
    EXPECT_EQ(BytesOf(OneTextItem(u"H\u20ac", u"Arial")), item);
}

TEST(PipeWriter, WhatTheReaderGetsIsWhatWasWritten) {
    ParsedMessage parsed;
    ASSERT_EQ(
        ParsePipeMessage(StartDoc(u"Lettrix", u"NT EMF 1.008", 4711, -300, u"Q3 report"), &parsed),
        ParseStatus::kOk);
    EXPECT_EQ(parsed.command, 1);
    EXPECT_EQ(parsed.start_doc.printer, u"Lettrix");
    EXPECT_EQ(parsed.start_doc.datatype, u"NT EMF 1.008");
    EXPECT_EQ(parsed.start_doc.job_id, 4711);
    EXPECT_EQ(parsed.start_doc.dpi, -300);
    EXPECT_EQ(parsed.start_doc.document, u"Q3 report");

    PipeMessage page;
    BuildStartPage(-1, INT32_MAX, &page);
    ASSERT_EQ(ParsePipeMessage(page, &parsed), ParseStatus::kOk);
    EXPECT_EQ(parsed.command, 2);
    EXPECT_EQ(parsed.start_page.width, -1);
    EXPECT_EQ(parsed.start_page.height, INT32_MAX);

    ASSERT_EQ(ParsePipeMessage(OneTextItem(u"\U0001F600 x", u"Segoe"), &parsed), ParseStatus::kOk);
    EXPECT_EQ(parsed.command, 3);
    EXPECT_EQ(parsed.text_item.x0, 10);
    EXPECT_EQ(parsed.text_item.y1, 40);
    EXPECT_EQ(parsed.text_item.text, u"\U0001F600 x");
    EXPECT_EQ(parsed.text_item.face, u"Segoe");
}

// The reader cannot see past a terminator, so the writer ends every string at its first zero.
TEST(PipeWriter, AStringEndsAtItsFirstZeroCodeUnit) {
    ParsedMessage parsed;
    const std::u16string printer(u"Lett\0rix", 8);
    ASSERT_EQ(ParsePipeMessage(StartDoc(printer, u"RAW", 1, 1, u"doc"), &parsed), ParseStatus::kOk);
    EXPECT_EQ(parsed.start_doc.printer, u"Lett");
    EXPECT_EQ(parsed.start_doc.document, u"doc");
}

// Together the strings of a StartDoc hold at most 1318 characters: the document name gives
// way first, and no cut falls inside a surrogate pair.
TEST(PipeWriter, AStartDocTooLongForItsBufferCutsTheDocumentNameBetweenCharacters) {
    const std::u16string printer(100, u'p');
    std::u16string document(1300, u'd');
    // A pair exactly across the cut: the document's room is 1318 - 100 - 3 = 1215.
    document[1214] = 0xD83D;
    document[1215] = 0xDE00;
    ParsedMessage parsed;
    const PipeMessage message = StartDoc(printer, u"RAW", 1, 1, document);
    EXPECT_LE(message.size, kStartDocBufferBytes);
    ASSERT_EQ(ParsePipeMessage(message, &parsed), ParseStatus::kOk);
    EXPECT_EQ(parsed.start_doc.printer, printer);
    EXPECT_EQ(parsed.start_doc.datatype, u"RAW");
    EXPECT_EQ(parsed.start_doc.document, document.substr(0, 1214));

    const std::u16string huge(3000, u'x');
    const PipeMessage cut = StartDoc(huge, u"RAW", 1, 1, u"doc");
    EXPECT_EQ(cut.size, kStartDocFixedBytes + 2 * kStartDocMaxChars);
    ASSERT_EQ(ParsePipeMessage(cut, &parsed), ParseStatus::kOk);
    EXPECT_EQ(parsed.start_doc.printer, huge.substr(0, kStartDocMaxChars));
    EXPECT_EQ(parsed.start_doc.datatype, u"");
    EXPECT_EQ(parsed.start_doc.document, u"");
}

struct MalformedRow {
    const char* name;
    Bytes bytes;
    ParseStatus status;
};

TEST(PipeReader, OnlyFieldsThatFillTheMessageExactlyAreAccepted) {
    const MalformedRow rows[] = {
        {"StartDoc without any terminator",
         {13, 0, 0, 0, 1, 'P', 0, 'R', 0, 'A', 0, 'W', 0},
         ParseStatus::kMalformed},
        {"StartDoc whose document name has no terminator",
         {25, 0, 0, 0, 1, 'P', 0, 0, 0, 'R', 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'd', 0, 'o', 0},
         ParseStatus::kMalformed},
        {"StartDoc cut inside its job id",
         {12, 0, 0, 0, 1, 'P', 0, 0, 0, 'R', 0, 0},
         ParseStatus::kMalformed},
        {"StartDoc with one byte of a terminator", {6, 0, 0, 0, 1, 0}, ParseStatus::kMalformed},
        {"StartDoc with bytes after its document name",
         {21, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 'x', 0},
         ParseStatus::kMalformed},
        {"short StartPage", {12, 0, 0, 0, 2, 1, 0, 0, 0, 2, 0, 0}, ParseStatus::kMalformed},
        {"long StartPage", {14, 0, 0, 0, 2, 1, 0, 0, 0, 2, 0, 0, 0, 0}, ParseStatus::kMalformed},
        {"StartPage with no fields", {5, 0, 0, 0, 2}, ParseStatus::kMalformed},
        {"EndDoc with a payload", {6, 0, 0, 0, 4, 0}, ParseStatus::kMalformed},
        {"TextItem whose face name has no terminator",
         {29, 0, 0, 0, 3, 1, 0,   0, 0, 2, 0,   0, 0,   3, 0,
          0,  0, 4, 0, 0, 0, 'a', 0, 0, 0, 'F', 0, 'o', 0},
         ParseStatus::kMalformed},
        {"TextItem cut inside its box",
         {20, 0, 0, 0, 3, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0},
         ParseStatus::kMalformed},
        {"TextItem with an odd byte after its face name",
         {26, 0, 0, 0, 3, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 7},
         ParseStatus::kMalformed},
        {"command 0", {5, 0, 0, 0, 0}, ParseStatus::kUnknownCommand},
        {"command 9 with a payload", {7, 0, 0, 0, 9, 1, 2}, ParseStatus::kUnknownCommand},
        {"EndDoc", {5, 0, 0, 0, 4}, ParseStatus::kOk},
    };
    for (const MalformedRow& row : rows) {
        SCOPED_TRACE(row.name);
        const PipeMessage message = FromBytes(row.bytes);
        ParsedMessage parsed;
        const char* fault = "unset";
        EXPECT_EQ(ParsePipeMessage(message, &parsed, &fault), row.status);
        if (row.status == ParseStatus::kMalformed) {
            EXPECT_NE(fault, nullptr);
        }
    }
}

TEST(PipeReader, ALengthBelowFiveOrAbove4100IsRefusedBeforeAnythingIsRead) {
    const struct {
        uint32_t length;
        ReadStatus status;
    } rows[] = {
        {0, ReadStatus::kBadLength},    {4, ReadStatus::kBadLength},
        {4101, ReadStatus::kBadLength}, {0xffffffff, ReadStatus::kBadLength},
        {4100, ReadStatus::kMessage},   {5, ReadStatus::kMessage},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.length);
        Bytes bytes = {static_cast<uint8_t>(row.length), static_cast<uint8_t>(row.length >> 8),
                       static_cast<uint8_t>(row.length >> 16),
                       static_cast<uint8_t>(row.length >> 24)};
        bytes.resize(4 + 4096, 9);
        ChunkedSource source(bytes);
        PipeMessage message;
        EXPECT_EQ(ReadPipeMessage(source, &message), row.status);
        if (row.status == ReadStatus::kMessage) {
            EXPECT_EQ(message.size, row.length);
        }
    }
}

// A pipe may hand a message over in pieces; the reader waits for the whole of it, and a
// stream that ends inside a message is a failed read wherever it ends.
TEST(PipeReader, ShortReadsNeverDesynchroniseTheStream) {
    Bytes stream;
    Append(&stream, BytesOf(StartDoc(u"Lettrix", u"RAW", 3, 600, u"doc")));
    PipeMessage page;
    BuildStartPage(100, 200, &page);
    Append(&stream, BytesOf(page));
    Append(&stream, BytesOf(OneTextItem(u"text", u"Face")));
    PipeMessage end;
    BuildEndDoc(&end);
    Append(&stream, BytesOf(end));
    for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{0}}) {
        SCOPED_TRACE(chunk);
        ChunkedSource source(stream, chunk);
        std::vector<uint8_t> commands;
        PipeMessage message;
        while (ReadPipeMessage(source, &message) == ReadStatus::kMessage)
            commands.push_back(message.bytes[4]);
        EXPECT_EQ(commands, (std::vector<uint8_t>{1, 2, 3, 4}));
    }
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        ChunkedSource source(stream.data(), cut, 0);
        PipeMessage message;
        ReadStatus status;
        size_t whole = 0;
        while ((status = ReadPipeMessage(source, &message)) == ReadStatus::kMessage)
            whole += message.size;
        EXPECT_EQ(status, ReadStatus::kFailed) << "cut at " << cut;
        EXPECT_LE(whole, cut);
    }
}

} // namespace
