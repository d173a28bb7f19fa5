#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The mail transport's text rules, free of the platform: what becomes a recipient, a subject
// line and an attachment's file name. Text is UTF-16 (char16_t, as the platform's wide
// characters). Nothing here is thrown but std::bad_alloc.
namespace mail_text {

// The addresses of a list separated by ";": each piece with the blanks around it trimmed and
// any line break left inside it replaced; pieces that are empty then are dropped.
std::vector<std::u16string> SplitRecipients(std::u16string_view text);

// The text with every carriage return and line feed replaced by a space, so that it stays
// one header line.
std::u16string ReplaceLineBreaks(std::u16string_view text);

// A name that stays one file in the folder it is put in, at most maxLength code units long:
// path separators, drive and stream colons, wildcards and control characters become "_",
// trailing dots and spaces go (the system would drop them, and "." or ".." would name a
// folder), a device name ("con", "lpt1.txt") gets "_" before it, and a name too long is cut
// before its extension. An empty result becomes "attachment".
std::u16string SafeAttachmentName(std::u16string_view name, size_t maxLength);

// What a file name must never hold (beside control characters).
constexpr std::u16string_view kForbiddenNameCharacters = u"\"*/:<>?\\|";

} // namespace mail_text
