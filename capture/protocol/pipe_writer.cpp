#include "pipe_writer.h"

#include <string.h>

#include "pipe_bytes.h"

namespace {

// Writes the fields of a message one after the other.
class MessageBuilder {
public:
    MessageBuilder(PipeCommand command, PipeMessage* out) : out_(out) {
        out_->bytes[kPipeLengthBytes] = static_cast<uint8_t>(command);
        at_ = kPipeHeaderBytes;
    }
    ~MessageBuilder() {
        out_->size = static_cast<uint32_t>(at_);
        PutU32(out_->bytes, out_->size);
    }
    MessageBuilder(const MessageBuilder&) = delete;
    MessageBuilder& operator=(const MessageBuilder&) = delete;

    void Int(int32_t value) {
        PutU32(out_->bytes + at_, static_cast<uint32_t>(value));
        at_ += 4;
    }
    void Text(std::u16string_view text) {
        for (char16_t c : text) {
            PutU16(out_->bytes + at_, c);
            at_ += 2;
        }
        PutU16(out_->bytes + at_, 0);
        at_ += 2;
    }

private:
    PipeMessage* out_;
    size_t at_;
};

std::u16string_view Fit(std::u16string_view text, size_t* room) {
    const size_t length = FitLength(text, *room);
    *room -= length;
    return text.substr(0, length);
}

} // namespace

std::u16string_view UpToNul(std::u16string_view text) {
    const size_t nul = text.find(u'\0');
    return nul == std::u16string_view::npos ? text : text.substr(0, nul);
}

size_t FitLength(std::u16string_view text, size_t room) {
    if (text.size() <= room)
        return text.size();
    size_t length = room;
    if (length > 0 && IsHighSurrogate(text[length - 1]) && IsLowSurrogate(text[length]))
        --length;
    return length;
}

void BuildStartDoc(std::u16string_view printer, std::u16string_view datatype, int32_t job_id,
                   int32_t dpi, std::u16string_view document, PipeMessage* out) {
    size_t room = kStartDocMaxChars;
    const std::u16string_view p = Fit(UpToNul(printer), &room);
    const std::u16string_view d = Fit(UpToNul(datatype), &room);
    const std::u16string_view n = Fit(UpToNul(document), &room);
    MessageBuilder message(PipeCommand::kStartDoc, out);
    message.Text(p);
    message.Text(d);
    message.Int(job_id);
    message.Int(dpi);
    message.Text(n);
}

void BuildStartPage(int32_t width, int32_t height, PipeMessage* out) {
    MessageBuilder message(PipeCommand::kStartPage, out);
    message.Int(width);
    message.Int(height);
}

void BuildEndDoc(PipeMessage* out) {
    MessageBuilder message(PipeCommand::kEndDoc, out);
}

TextItemSplitter::TextItemSplitter(const TextRun& run) : run_(run) {
    run_.text = UpToNul(run.text);
    run_.face = run.face.substr(0, FitLength(UpToNul(run.face), kTextItemMaxFaceChars));
    room_ = kTextItemMaxChars - run_.face.size();
}

int32_t TextItemSplitter::LeftOf(size_t index) const {
    const size_t length = run_.text.size();
    if (run_.char_left)
        return run_.char_left[index];
    const int64_t width = static_cast<int64_t>(run_.x1) - run_.x0;
    return static_cast<int32_t>(run_.x0 +
                                width * static_cast<int64_t>(index) / static_cast<int64_t>(length));
}

bool TextItemSplitter::Next(PipeMessage* out) {
    if (done_)
        return false;
    // The room always holds hundreds of characters, so every part carries text.
    const std::u16string_view rest = run_.text.substr(start_);
    const size_t length = FitLength(rest, room_);
    const size_t end = start_ + length;
    const bool last = end >= run_.text.size();
    {
        MessageBuilder message(PipeCommand::kTextItem, out);
        message.Int(start_ == 0 ? run_.x0 : LeftOf(start_));
        message.Int(run_.y0);
        message.Int(last ? run_.x1 : LeftOf(end));
        message.Int(run_.y1);
        message.Text(rest.substr(0, length));
        message.Text(run_.face);
    }
    start_ = end;
    done_ = last;
    return true;
}
