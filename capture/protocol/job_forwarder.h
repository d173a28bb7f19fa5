#pragma once
#include "pipe_reader.h"

// The relay's reading of one job: every message is checked and taken apart, and its order
// kept: exactly one StartDoc and first, StartPage and EndDoc only after it, TextItem only
// after a StartPage, nothing after EndDoc. The first fault ends the job; what the sink was
// given until then stays given.

// Where the messages of a job go (the core adapter in the relay, a recorder in tests).
class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual void StartJob(const StartDocFields& doc) = 0;
    virtual void StartPage(const StartPageFields& page) = 0;
    virtual void AddItem(const TextItemFields& item) = 0;
    virtual void EndJob() = 0;
};

enum class JobOutcome {
    kOpen,           // the job goes on
    kDelivered,      // EndDoc ended it
    kReadFailed,     // the stream failed or ended inside the job
    kBadLength,      // a length field below 5 or above 4100
    kMalformed,      // a message whose fields do not fill its length
    kOutOfOrder,     // a message where the order allows none of its kind
    kUnknownCommand, // a command other than 1 to 4
};

class JobForwarder {
public:
    explicit JobForwarder(CaptureSink& sink) : sink_(sink) {}
    JobForwarder(const JobForwarder&) = delete;
    JobForwarder& operator=(const JobForwarder&) = delete;

    // Takes the next message; false once the job is over.
    bool Take(const PipeMessage& message);
    // A read of the next message that gave none; ends the job.
    void ReadFailed(ReadStatus status);
    // Reads and takes messages until the job is over.
    JobOutcome Run(ByteSource& source);

    JobOutcome Outcome() const { return outcome_; }
    // What was wrong, for the log; null while nothing was.
    const char* Fault() const { return fault_; }
    bool Started() const { return state_ != State::kBeforeStartDoc; }

private:
    enum class State { kBeforeStartDoc, kBeforePage, kInPage, kEnded };

    bool End(JobOutcome outcome, const char* fault);
    // The fault of a command in the current state; null when the order allows it.
    const char* OrderFault(PipeCommand command) const;

    CaptureSink& sink_;
    State state_ = State::kBeforeStartDoc;
    JobOutcome outcome_ = JobOutcome::kOpen;
    const char* fault_ = nullptr;
    ParsedMessage parsed_;
};
