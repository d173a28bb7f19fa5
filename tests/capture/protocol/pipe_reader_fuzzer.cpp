// Arbitrary byte streams through the relay's reading of a job: read whole, in short pieces,
// and cut at every length. None may read outside its message or break the order of calls,
// the pieces must not change what is read, and a cut stream gives a start of the whole
// stream's calls. Messages that the writer could have built must come back byte for byte.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "job_forwarder.h"
#include "pipe_writer.h"
#include "stream_bytes.h"

namespace {

void Check(bool condition) {
    if (!condition)
        abort();
}

// Records the calls and checks their order as it goes.
class CheckingSink final : public CaptureSink {
public:
    void StartJob(const StartDocFields& doc) override {
        Check(calls.empty());
        NoNul(doc.printer);
        NoNul(doc.datatype);
        NoNul(doc.document);
        calls.push_back('J');
    }
    void StartPage(const StartPageFields&) override {
        Check(Open());
        in_page_ = true;
        calls.push_back('P');
    }
    void AddItem(const TextItemFields& item) override {
        Check(Open() && in_page_);
        NoNul(item.text);
        NoNul(item.face);
        Check(item.text.size() + item.face.size() <= kPipeBodyRoom / 2);
        calls.push_back('A');
    }
    void EndJob() override {
        Check(Open());
        calls.push_back('E');
    }

    std::string calls;

private:
    bool Open() const { return !calls.empty() && calls.back() != 'E'; }
    static void NoNul(const std::u16string& text) { Check(text.find(u'\0') == text.npos); }
    bool in_page_ = false;
};

struct Run {
    std::string calls;
    JobOutcome outcome;
};

Run Forward(const uint8_t* data, size_t size, size_t chunk) {
    CheckingSink sink;
    JobForwarder forwarder(sink);
    ChunkedSource source(data, size, chunk);
    const JobOutcome outcome = forwarder.Run(source);
    Check(outcome != JobOutcome::kOpen);
    Check((outcome == JobOutcome::kDelivered) == (forwarder.Fault() == nullptr));
    Check((outcome == JobOutcome::kDelivered) == (!sink.calls.empty() && sink.calls.back() == 'E'));
    return {sink.calls, outcome};
}

// A message the writer's limits allow is built again from its fields, byte for byte.
void CheckRoundTrip(const PipeMessage& message) {
    ParsedMessage parsed;
    if (ParsePipeMessage(message, &parsed) != ParseStatus::kOk)
        return;
    PipeMessage again;
    switch (static_cast<PipeCommand>(parsed.command)) {
    case PipeCommand::kStartDoc: {
        const StartDocFields& doc = parsed.start_doc;
        if (doc.printer.size() + doc.datatype.size() + doc.document.size() > kStartDocMaxChars)
            return;
        BuildStartDoc(doc.printer, doc.datatype, doc.job_id, doc.dpi, doc.document, &again);
        break;
    }
    case PipeCommand::kStartPage:
        BuildStartPage(parsed.start_page.width, parsed.start_page.height, &again);
        break;
    case PipeCommand::kTextItem: {
        const TextItemFields& item = parsed.text_item;
        if (item.face.size() > kTextItemMaxFaceChars ||
            item.text.size() + item.face.size() > kTextItemMaxChars)
            return;
        TextRun run;
        run.x0 = item.x0;
        run.y0 = item.y0;
        run.x1 = item.x1;
        run.y1 = item.y1;
        run.text = item.text;
        run.face = item.face;
        TextItemSplitter splitter(run);
        Check(splitter.Next(&again));
        PipeMessage none;
        Check(!splitter.Next(&none));
        break;
    }
    case PipeCommand::kEndDoc:
        BuildEndDoc(&again);
        break;
    default:
        return;
    }
    Check(BytesOf(again) == BytesOf(message));
}

void CheckEveryMessage(const uint8_t* data, size_t size) {
    ChunkedSource source(data, size, 0);
    PipeMessage message;
    while (ReadPipeMessage(source, &message) == ReadStatus::kMessage)
        CheckRoundTrip(message);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Run whole = Forward(data, size, 0);
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{4097}}) {
        const Run pieces = Forward(data, size, chunk);
        Check(pieces.calls == whole.calls && pieces.outcome == whole.outcome);
    }
    for (size_t cut = 0; cut < size; ++cut) {
        const Run part = Forward(data, cut, 0);
        Check(whole.calls.compare(0, part.calls.size(), part.calls) == 0);
        Check(part.outcome == whole.outcome || part.outcome == JobOutcome::kReadFailed);
        // Once the whole stream's job was over, the rest of it is never read.
        if (part.calls == whole.calls && part.outcome == whole.outcome)
            break;
    }
    CheckEveryMessage(data, size);
    return 0;
}
