#include "file_name_safety.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::u16string_view kReserved = u"\"*/:<>?\\|";

bool IsForbiddenInName(char16_t c) {
    return c < 0x20 || kReserved.find(c) != std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

bool IsDeviceDigit(char16_t c) {
    // The superscript digits name ports too.
    return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

// The system takes a name as a device when the part before its first full stop, without
// trailing spaces, is a device's name, whatever the case.
bool NamesDevice(std::u16string_view text) {
    std::u16string_view base = text.substr(0, text.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);
    static constexpr std::array<std::u16string_view, 7> kDevices = {
        u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$", u"CLOCK$"};
    for (auto device : kDevices) {
        if (EqualsIgnoringAsciiCase(base, device))
            return true;
    }
    if (base.size() != 4 || !IsDeviceDigit(base[3]))
        return false;
    return EqualsIgnoringAsciiCase(base.substr(0, 3), u"COM") ||
           EqualsIgnoringAsciiCase(base.substr(0, 3), u"LPT");
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// Cuts to the limit, never between the two halves of a surrogate pair.
void Bound(std::u16string& text) {
    if (text.size() <= kMaxFileNameComponent)
        return;
    size_t keep = kMaxFileNameComponent;
    if (IsHighSurrogate(text[keep - 1]))
        --keep;
    text.resize(keep);
}

void BreakDotRuns(std::u16string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == u'.' && text[i + 1] == u'.') {
            size_t end = i;
            while (end < text.size() && text[end] == u'.')
                text[end++] = u'_';
            i = end;
        }
    }
}

void ReplaceTrailingDotsAndSpaces(std::u16string& text) {
    for (size_t i = text.size(); i-- > 0 && (text[i] == u'.' || text[i] == u' ');)
        text[i] = u'_';
}

} // namespace

void SanitizeFileName(std::u16string& text) {
    for (char16_t& c : text) {
        if (kReserved.find(c) != std::u16string_view::npos)
            c = u'_';
    }
}

std::u16string SafeFileNameComponent(std::u16string_view text) {
    std::u16string safe(text);
    std::replace_if(safe.begin(), safe.end(), IsForbiddenInName, u'_');
    if (NamesDevice(safe))
        safe.insert(safe.begin(), u'_');
    Bound(safe);
    BreakDotRuns(safe);
    ReplaceTrailingDotsAndSpaces(safe);
    return safe;
}
