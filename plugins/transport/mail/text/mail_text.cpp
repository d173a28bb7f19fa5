#include "mail_text.h"

#include <algorithm>
#include <array>

namespace mail_text {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

bool IsLineBreak(char16_t c) {
    return c == u'\r' || c == u'\n';
}

std::u16string_view TrimBlanks(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsForbiddenInName(char16_t c) {
    return c < 0x20 || c == 0x7F || kForbiddenNameCharacters.find(c) != std::u16string_view::npos;
}

void DropTrailingDotsAndSpaces(std::u16string& name) {
    while (!name.empty() && (name.back() == u'.' || name.back() == u' '))
        name.pop_back();
}

char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The system opens a device for these names, with or without an extension.
bool IsDeviceName(std::u16string_view name) {
    std::u16string_view stem = name.substr(0, name.find(u'.'));
    while (!stem.empty() && stem.back() == u' ')
        stem.remove_suffix(1);
    static constexpr std::array<std::u16string_view, 6> kFixed = {u"CON", u"PRN",    u"AUX",
                                                                  u"NUL", u"CONIN$", u"CONOUT$"};
    auto equals = [&](std::u16string_view device) {
        return stem.size() == device.size() &&
               std::equal(stem.begin(), stem.end(), device.begin(),
                          [](char16_t a, char16_t b) { return AsciiUpper(a) == b; });
    };
    for (std::u16string_view device : kFixed) {
        if (equals(device))
            return true;
    }
    if (stem.size() == 4 && stem[3] >= u'1' && stem[3] <= u'9') {
        const std::u16string_view prefix = stem.substr(0, 3);
        auto is = [&](std::u16string_view device) {
            return std::equal(prefix.begin(), prefix.end(), device.begin(),
                              [](char16_t a, char16_t b) { return AsciiUpper(a) == b; });
        };
        return is(u"COM") || is(u"LPT");
    }
    return false;
}

// Cuts text to at most length code units without splitting a surrogate pair.
void CutTo(std::u16string& text, size_t length) {
    if (text.size() <= length)
        return;
    if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF)
        --length;
    text.resize(length);
}

constexpr size_t kLongestKeptExtension = 16;

} // namespace

std::vector<std::u16string> SplitRecipients(std::u16string_view text) {
    std::vector<std::u16string> recipients;
    while (true) {
        const size_t cut = text.find(u';');
        const std::u16string_view piece = TrimBlanks(text.substr(0, cut));
        if (!piece.empty())
            recipients.push_back(ReplaceLineBreaks(piece));
        if (cut == std::u16string_view::npos)
            break;
        text.remove_prefix(cut + 1);
    }
    return recipients;
}

std::u16string ReplaceLineBreaks(std::u16string_view text) {
    std::u16string line(text);
    std::replace_if(line.begin(), line.end(), IsLineBreak, u' ');
    return line;
}

std::u16string SafeAttachmentName(std::u16string_view name, size_t maxLength) {
    std::u16string safe(name);
    std::replace_if(safe.begin(), safe.end(), IsForbiddenInName, u'_');
    DropTrailingDotsAndSpaces(safe);
    if (safe.empty())
        safe = u"attachment";
    if (IsDeviceName(safe))
        safe.insert(safe.begin(), u'_');
    if (safe.size() > maxLength) {
        const size_t dot = safe.rfind(u'.');
        std::u16string extension;
        if (dot != std::u16string::npos && dot > 0 && safe.size() - dot <= kLongestKeptExtension &&
            safe.size() - dot < maxLength)
            extension = safe.substr(dot);
        safe.resize(safe.size() - extension.size());
        CutTo(safe, maxLength - extension.size());
        DropTrailingDotsAndSpaces(safe);
        safe += extension;
        DropTrailingDotsAndSpaces(safe);
        if (safe.empty())
            CutTo(safe = u"attachment", maxLength);
        // A cut may leave a device's name ("conference.txt" as "con.txt").
        if (IsDeviceName(safe))
            safe[0] = u'_';
    }
    return safe;
}

} // namespace mail_text
