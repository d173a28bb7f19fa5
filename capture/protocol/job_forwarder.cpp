#include "job_forwarder.h"

bool JobForwarder::End(JobOutcome outcome, const char* fault) {
    outcome_ = outcome;
    fault_ = fault;
    state_ = State::kEnded;
    return false;
}

const char* JobForwarder::OrderFault(PipeCommand command) const {
    switch (command) {
    case PipeCommand::kStartDoc:
        return state_ == State::kBeforeStartDoc ? nullptr : "a second StartDoc";
    case PipeCommand::kStartPage:
    case PipeCommand::kEndDoc:
        return state_ == State::kBeforeStartDoc ? "a message before StartDoc" : nullptr;
    case PipeCommand::kTextItem:
        if (state_ == State::kBeforeStartDoc)
            return "a message before StartDoc";
        return state_ == State::kInPage ? nullptr : "a TextItem before StartPage";
    }
    return "an unknown command";
}

bool JobForwarder::Take(const PipeMessage& message) {
    if (state_ == State::kEnded)
        return false;
    const char* fault = nullptr;
    switch (ParsePipeMessage(message, &parsed_, &fault)) {
    case ParseStatus::kUnknownCommand:
        return End(JobOutcome::kUnknownCommand, "an unknown command");
    case ParseStatus::kMalformed:
        return End(JobOutcome::kMalformed, fault);
    case ParseStatus::kOk:
        break;
    }
    const PipeCommand command = static_cast<PipeCommand>(parsed_.command);
    if (const char* order = OrderFault(command))
        return End(JobOutcome::kOutOfOrder, order);
    switch (command) {
    case PipeCommand::kStartDoc:
        state_ = State::kBeforePage;
        sink_.StartJob(parsed_.start_doc);
        return true;
    case PipeCommand::kStartPage:
        state_ = State::kInPage;
        sink_.StartPage(parsed_.start_page);
        return true;
    case PipeCommand::kTextItem:
        sink_.AddItem(parsed_.text_item);
        return true;
    case PipeCommand::kEndDoc:
        sink_.EndJob();
        return End(JobOutcome::kDelivered, nullptr);
    }
    return End(JobOutcome::kUnknownCommand, "an unknown command");
}

void JobForwarder::ReadFailed(ReadStatus status) {
    if (state_ == State::kEnded)
        return;
    if (status == ReadStatus::kBadLength)
        End(JobOutcome::kBadLength, "a length field outside 5 to 4100");
    else
        End(JobOutcome::kReadFailed, "the stream ended inside the job");
}

JobOutcome JobForwarder::Run(ByteSource& source) {
    PipeMessage message;
    while (state_ != State::kEnded) {
        const ReadStatus status = ReadPipeMessage(source, &message);
        if (status != ReadStatus::kMessage)
            ReadFailed(status);
        else
            Take(message);
    }
    return outcome_;
}
