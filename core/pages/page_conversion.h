#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The core settings that shape a page's bytes, taken once by the caller (a save keeps the
// settings it started with).
struct PageConversion {
    int32_t unix_eol = 0;   // non-zero: carriage returns left out
    int32_t charset = 5;    // kCharsetUtf16, else a Windows code page
    int32_t page_break = 0; // non-zero: a form feed appended
};

constexpr int32_t kCharsetUtf16 = 5;

// Encodes text in a Windows code page into bytes (replacing what they held); false when the
// code page cannot encode it. The platform supplies it.
using CodePageEncoder = bool (*)(uint32_t code_page, std::u16string_view text,
                                 std::vector<uint8_t>& bytes);

// The bytes of one page as a receiver gets them: line ends, character set, page break; no
// terminator and no byte-order mark. Every call works in buffers of its own. False when the
// encoder fails; bytes is then empty. Throws std::bad_alloc.
bool ConvertPage(std::u16string_view text, const PageConversion& settings, CodePageEncoder encode,
                 std::vector<uint8_t>& bytes);

// text without its carriage returns.
std::u16string WithoutCarriageReturns(std::u16string_view text);
