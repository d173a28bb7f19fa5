#include "command_line.h"

namespace command_line {

std::u16string QuoteArgument(std::u16string_view argument) {
    std::u16string quoted;
    quoted.reserve(argument.size() + 2);
    quoted.push_back(u'"');
    size_t backslashes = 0;
    for (const char16_t c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // 2n+1 backslashes before a quote read back as n backslashes and the quote itself.
        quoted.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    // Before the closing quote, 2n backslashes read back as n.
    quoted.append(backslashes * 2, u'\\');
    quoted.push_back(u'"');
    return quoted;
}

bool EndsOutsideQuotes(std::u16string_view text) {
    bool quoted = false;
    size_t backslashes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        const bool escaped = backslashes % 2 == 1;
        backslashes = 0;
        if (c != u'"' || escaped)
            continue;
        if (quoted && i + 1 < text.size() && text[i + 1] == u'"')
            return false;
        quoted = !quoted;
    }
    return !quoted;
}

std::optional<std::u16string> WithFileArgument(std::u16string_view arguments,
                                               std::u16string_view file) {
    if (!EndsOutsideQuotes(arguments))
        return std::nullopt;
    std::u16string line(arguments);
    // A trailing odd backslash would escape nothing here: a space follows it.
    if (!line.empty())
        line.push_back(u' ');
    line += QuoteArgument(file);
    return line;
}

} // namespace command_line
