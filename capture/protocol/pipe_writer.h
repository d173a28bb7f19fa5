#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string_view>

#include "pipe_message.h"

// Builds the messages the rendering module sends. Every string is taken up to its first 0
// code unit (the reader could not see past it) and cut, where it must be, between two
// characters, never inside a surrogate pair. No message is longer than the writer's limits.

// The printer name and the data type are kept whole first; the document name gets what
// room is left.
void BuildStartDoc(std::u16string_view printer, std::u16string_view datatype, int32_t job_id,
                   int32_t dpi, std::u16string_view document, PipeMessage* out);
void BuildStartPage(int32_t width, int32_t height, PipeMessage* out);
void BuildEndDoc(PipeMessage* out);

// One captured run of text.
struct TextRun {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::u16string_view text;
    std::u16string_view face;
    // The left edge of each code unit of text in device pixels, or null: parts of a split run
    // then get shares of the box in proportion to their length.
    const int32_t* char_left = nullptr;
};

// Turns a run into TextItem messages: one when it fits, else several, each with the part's
// own box (from the left edge of its first character to that of the next part, the run's own
// edges at both ends), so that no text is lost.
class TextItemSplitter {
public:
    explicit TextItemSplitter(const TextRun& run);
    // Builds the next part; false once every part was built.
    bool Next(PipeMessage* out);

private:
    // The left edge of the code unit at index, inside the run.
    int32_t LeftOf(size_t index) const;

    TextRun run_;
    size_t room_; // code units of text per message
    size_t start_ = 0;
    bool done_ = false;
};

// The length of the longest start of text that holds at most room code units without
// cutting a surrogate pair.
size_t FitLength(std::u16string_view text, size_t room);
// text up to its first 0 code unit.
std::u16string_view UpToNul(std::u16string_view text);
