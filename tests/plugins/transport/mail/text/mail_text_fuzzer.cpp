// Any text as an address list and as an attachment name: the results keep the rules that the
// mail transport relies on, whatever comes in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mail_text.h"

namespace {

void Check(bool condition) {
    if (!condition)
        abort();
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t maxLength = data[0];
    std::u16string text;
    for (size_t i = 1; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    for (const std::u16string& address : mail_text::SplitRecipients(text)) {
        Check(!address.empty());
        Check(!IsBlank(address.front()) && !IsBlank(address.back()));
        Check(address.find_first_of(u"\r\n;") == std::u16string::npos);
    }
    Check(mail_text::ReplaceLineBreaks(text).size() == text.size());
    Check(mail_text::ReplaceLineBreaks(text).find_first_of(u"\r\n") == std::u16string::npos);

    const std::u16string name = mail_text::SafeAttachmentName(text, maxLength);
    Check(name.size() <= maxLength);
    Check(maxLength == 0 || !name.empty());
    Check(name != u"." && name != u"..");
    if (!name.empty())
        Check(name.back() != u'.' && name.back() != u' ');
    for (char16_t c : name) {
        Check(c >= 0x20 && c != 0x7F);
        Check(mail_text::kForbiddenNameCharacters.find(c) == std::u16string::npos);
    }
    return 0;
}
