#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "pipe_message.h"

// Reads messages off the relay's side of the pipe and takes their fields apart. Nothing is
// read outside a message's own length, and every field and terminator must lie inside it.

// The stream a message is read from (the pipe, or a test's bytes).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads at most room bytes; returns how many, 0 when the stream failed or ended.
    virtual size_t Read(uint8_t* buffer, size_t room) = 0;
};

enum class ReadStatus {
    kMessage,   // a whole message is in
    kFailed,    // the stream failed or ended, before a message or inside one
    kBadLength, // the length field is below 5 or above 4100
};

// Reads one whole message: the length field, then the rest, however the stream cuts it.
ReadStatus ReadPipeMessage(ByteSource& source, PipeMessage* out);

struct StartDocFields {
    std::u16string printer;
    std::u16string datatype;
    int32_t job_id = 0;
    int32_t dpi = 0;
    std::u16string document;
};

struct StartPageFields {
    int32_t width = 0;
    int32_t height = 0;
};

struct TextItemFields {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::u16string text;
    std::u16string face;
};

struct ParsedMessage {
    uint8_t command = 0;
    StartDocFields start_doc;   // StartDoc only
    StartPageFields start_page; // StartPage only
    TextItemFields text_item;   // TextItem only
};

enum class ParseStatus {
    kOk,
    kUnknownCommand, // a command byte other than 1 to 4
    kMalformed,      // the fields do not fill the message's length exactly
};

// Takes a whole message apart. On kMalformed, *fault (when given) says what was wrong.
ParseStatus ParsePipeMessage(const PipeMessage& message, ParsedMessage* out,
                             const char** fault = nullptr);
