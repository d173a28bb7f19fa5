#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A job written by hand as runs of text, for sending through the capture calls without a
// printing program. The text format, UTF-8 (a byte-order mark is skipped), one entry a line:
//
//   # a comment; blank lines are skipped
//   document NAME            the job's document name (before the first page)
//   dpi N                    device pixels per inch (before the first page; default 300)
//   page [WIDTH HEIGHT]      starts a page, its size in device pixels (default Letter at dpi)
//   X Y WIDTH HEIGHT FONT|TEXT
//                            a run: its box in device pixels, its font face (up to the first
//                            "|"), and its text, which runs to the end of the line and may
//                            hold any character
//
// A run before the first "page" starts a Letter page.

struct HandRun {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::u16string font;
    std::u16string text;
};

struct HandPage {
    int32_t width = 0, height = 0;
    std::vector<HandRun> runs;
};

struct HandJob {
    std::u16string document;
    int32_t dpi = 300;
    std::vector<HandPage> pages;
};

struct RunsFileError {
    size_t line = 0; // 1-based
    std::string message;
};

// Reads a runs file's bytes; false with the first fault's line and what is wrong with it.
// Invalid UTF-8 reads as U+FFFD. Throws std::bad_alloc.
bool ParseRunsFile(std::string_view bytes, HandJob* job, RunsFileError* error);

// UTF-8 to UTF-16; each byte that does not begin a valid, shortest sequence becomes U+FFFD.
std::u16string DecodeUtf8(std::string_view bytes);
