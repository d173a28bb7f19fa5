#include "pipe_reader.h"

#include "pipe_bytes.h"

namespace {

bool ReadExactly(ByteSource& source, uint8_t* buffer, size_t size) {
    while (size > 0) {
        const size_t got = source.Read(buffer, size);
        if (got == 0 || got > size)
            return false;
        buffer += got;
        size -= got;
    }
    return true;
}

// Walks the fields of one message, never past its length; the first field that does not
// fit stops it for good.
class FieldReader {
public:
    explicit FieldReader(const PipeMessage& message)
        : bytes_(message.bytes), size_(message.size), at_(kPipeHeaderBytes) {}

    bool Int(int32_t* value) {
        if (!ok_ || size_ - at_ < 4)
            return Fail("a number runs past the message's end");
        *value = GetI32(bytes_ + at_);
        at_ += 4;
        return true;
    }
    bool Text(std::u16string* text) {
        text->clear();
        for (;;) {
            if (!ok_ || size_ - at_ < 2)
                return Fail("a string has no terminator inside the message");
            const char16_t c = GetU16(bytes_ + at_);
            at_ += 2;
            if (c == 0)
                return true;
            text->push_back(c);
        }
    }
    bool AtEnd() { return ok_ && (at_ == size_ || Fail("the message is longer than its fields")); }
    const char* Fault() const { return fault_; }

private:
    bool Fail(const char* fault) {
        if (ok_)
            fault_ = fault;
        ok_ = false;
        return false;
    }

    const uint8_t* bytes_;
    uint32_t size_;
    uint32_t at_;
    bool ok_ = true;
    const char* fault_ = nullptr;
};

bool ParseStartDoc(FieldReader& fields, StartDocFields* doc) {
    return fields.Text(&doc->printer) && fields.Text(&doc->datatype) && fields.Int(&doc->job_id) &&
           fields.Int(&doc->dpi) && fields.Text(&doc->document) && fields.AtEnd();
}

bool ParseStartPage(FieldReader& fields, StartPageFields* page) {
    return fields.Int(&page->width) && fields.Int(&page->height) && fields.AtEnd();
}

bool ParseTextItem(FieldReader& fields, TextItemFields* item) {
    return fields.Int(&item->x0) && fields.Int(&item->y0) && fields.Int(&item->x1) &&
           fields.Int(&item->y1) && fields.Text(&item->text) && fields.Text(&item->face) &&
           fields.AtEnd();
}

} // namespace

ReadStatus ReadPipeMessage(ByteSource& source, PipeMessage* out) {
    out->size = 0;
    if (!ReadExactly(source, out->bytes, kPipeLengthBytes))
        return ReadStatus::kFailed;
    const uint32_t length = GetU32(out->bytes);
    if (length < kPipeHeaderBytes || length > kPipeMessageMaxBytes)
        return ReadStatus::kBadLength;
    if (!ReadExactly(source, out->bytes + kPipeLengthBytes, length - kPipeLengthBytes))
        return ReadStatus::kFailed;
    out->size = length;
    return ReadStatus::kMessage;
}

ParseStatus ParsePipeMessage(const PipeMessage& message, ParsedMessage* out, const char** fault) {
    const char* ignored = nullptr;
    const char** why = fault ? fault : &ignored;
    *why = nullptr;
    if (message.size < kPipeHeaderBytes || message.size > kPipeMessageMaxBytes ||
        GetU32(message.bytes) != message.size) {
        *why = "the length field does not give the message's size";
        return ParseStatus::kMalformed;
    }
    out->command = message.bytes[kPipeLengthBytes];
    FieldReader fields(message);
    bool parsed = false;
    switch (static_cast<PipeCommand>(out->command)) {
    case PipeCommand::kStartDoc:
        parsed = ParseStartDoc(fields, &out->start_doc);
        break;
    case PipeCommand::kStartPage:
        parsed = ParseStartPage(fields, &out->start_page);
        break;
    case PipeCommand::kTextItem:
        parsed = ParseTextItem(fields, &out->text_item);
        break;
    case PipeCommand::kEndDoc:
        parsed = fields.AtEnd();
        break;
    default:
        return ParseStatus::kUnknownCommand;
    }
    if (parsed)
        return ParseStatus::kOk;
    *why = fields.Fault();
    return ParseStatus::kMalformed;
}
