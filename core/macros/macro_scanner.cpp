#include "macro_scanner.h"

#include <algorithm>

namespace {

constexpr std::u16string_view kClose = u"}}";

bool ClosesAt(std::u16string_view text, size_t at) {
    return text.substr(std::min(at, text.size())).substr(0, kClose.size()) == kClose;
}

} // namespace

std::optional<ScannedMacro> FindMacro(std::u16string_view text, size_t from,
                                      const MacroForm& form) {
    while (from < text.size()) {
        const size_t begin = text.find(form.opening, from);
        if (begin == std::u16string_view::npos)
            return std::nullopt;
        const size_t after = begin + form.opening.size();
        if (form.plain && ClosesAt(text, after))
            return ScannedMacro{begin, after + kClose.size(), std::nullopt};
        if (!form.with_argument || after >= text.size() || text[after] != u'(') {
            from = after;
            continue;
        }
        const size_t argument_begin = after + 1;
        const size_t limit = std::min(text.size(), argument_begin + kMaxMacroArgument);
        const size_t argument_end = std::min(text.find(u')', argument_begin), limit);
        if (argument_end < text.size() && text[argument_end] == u')' &&
            ClosesAt(text, argument_end + 1)) {
            return ScannedMacro{begin, argument_end + 1 + kClose.size(),
                                text.substr(argument_begin, argument_end - argument_begin)};
        }
        from = argument_end;
    }
    return std::nullopt;
}
