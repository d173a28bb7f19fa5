#pragma once
#include <optional>
#include <string>
#include <string_view>

// Command-line text for programs that the transports start. A program splits its command line
// into arguments by the C runtime's rules (those of CommandLineToArgvW): white space ends an
// argument outside double quotes, a double quote opens or closes a quoted part, and
// backslashes are literal except before a double quote.
namespace command_line {

// The argument in double quotes, always, with each double quote escaped and the backslashes
// before a quote (or before the closing quote) doubled, so that the program reads back exactly
// this one argument whatever it holds (spaces, "&", "%", quotes).
std::u16string QuoteArgument(std::u16string_view argument);

// True when the text ends outside any quoted part, read by every C runtime alike: false when a
// quote is left open, or when two quotes meet inside a quoted part (which runtimes read
// differently). Only then can an argument appended to the text stand on its own.
bool EndsOutsideQuotes(std::u16string_view text);

// A post-processor's arguments: the expanded parameters, a space when they are not empty, then
// the file as one quoted argument. The file is added after macro expansion and never expanded.
// Nothing when the parameters would swallow the file (see EndsOutsideQuotes).
std::optional<std::u16string> WithFileArgument(std::u16string_view arguments,
                                               std::u16string_view file);

} // namespace command_line
