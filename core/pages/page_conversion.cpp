#include "page_conversion.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace {

constexpr char16_t kFormFeed = u'\f';

void AppendUtf16Le(std::u16string_view text, std::vector<uint8_t>& bytes) {
    bytes.reserve(bytes.size() + 2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
}

} // namespace

std::u16string WithoutCarriageReturns(std::u16string_view text) {
    std::u16string copy;
    copy.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(copy),
                 [](char16_t c) { return c != u'\r'; });
    return copy;
}

bool ConvertPage(std::u16string_view text, const PageConversion& settings, CodePageEncoder encode,
                 std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::u16string without_returns;
    if (settings.unix_eol) {
        without_returns = WithoutCarriageReturns(text);
        text = without_returns;
    }
    if (settings.charset == kCharsetUtf16) {
        AppendUtf16Le(text, bytes);
        if (settings.page_break)
            AppendUtf16Le(std::u16string_view(&kFormFeed, 1), bytes);
        return true;
    }
    if (!encode(static_cast<uint32_t>(settings.charset), text, bytes)) {
        bytes.clear();
        return false;
    }
    if (settings.page_break)
        bytes.push_back(static_cast<uint8_t>(kFormFeed));
    return true;
}
