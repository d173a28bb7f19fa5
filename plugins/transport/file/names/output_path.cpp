#include "output_path.h"

#include <algorithm>
#include <vector>

namespace output_path {
namespace {

constexpr char16_t kReplacement = u'_';
// Of a shortened part, the end kept after the cut.
constexpr size_t kKeptEnd = 16;

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsForbidden(char16_t c) {
    switch (c) {
    case u'<':
    case u'>':
    case u':':
    case u'"':
    case u'|':
    case u'?':
    case u'*':
        return true;
    default:
        return c < 0x20;
    }
}

bool IsDroppedAtEnd(char16_t c) {
    return c == u'.' || c == u' ';
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool SameIgnoringCase(std::u16string_view text, std::u16string_view upper) {
    if (text.size() != upper.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (AsciiUpper(text[i]) != upper[i])
            return false;
    }
    return true;
}

bool IsPortDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

std::vector<std::u16string> CleanParts(std::u16string_view name) {
    std::vector<std::u16string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        std::u16string part = CleanPart(name.substr(start, end - start));
        if (!part.empty())
            parts.push_back(std::move(part));
        start = end + 1;
    }
    return parts;
}

// The part cut in its middle to at most room characters; a file's extension stays whole when
// it takes no more than half the room. Nothing when no valid part fits.
std::optional<std::u16string> Shortened(const std::u16string& part, size_t room,
                                        bool keepExtension) {
    if (part.size() <= room)
        return part;
    size_t stemLength = part.size();
    if (keepExtension) {
        const size_t dot = part.rfind(u'.');
        if (dot != std::u16string::npos && dot > 0 && part.size() - dot <= room / 2)
            stemLength = dot;
    }
    const size_t extensionLength = part.size() - stemLength;
    const size_t stemRoom = room - extensionLength;
    if (stemRoom == 0)
        return std::nullopt;
    const size_t end = std::min(stemRoom / 2, kKeptEnd);
    size_t head = stemRoom - end;
    size_t tailStart = stemLength - end;
    // A surrogate pair is never cut in two.
    if (head > 0 && IsHighSurrogate(part[head - 1]))
        --head;
    if (tailStart < stemLength && IsLowSurrogate(part[tailStart]))
        ++tailStart;
    std::u16string shortened = part.substr(0, head);
    shortened.append(part, tailStart, std::u16string::npos);
    if (shortened.empty() || CleanPart(shortened) != shortened)
        return std::nullopt;
    return shortened;
}

} // namespace

bool IsDeviceName(std::u16string_view part) {
    std::u16string_view base = part.substr(0, part.find(u'.'));
    while (!base.empty() && base.back() == u' ')
        base.remove_suffix(1);
    for (std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
        if (SameIgnoringCase(base, device))
            return true;
    }
    if (base.size() != 4 || !IsPortDigit(base[3]))
        return false;
    const std::u16string_view port = base.substr(0, 3);
    return SameIgnoringCase(port, u"COM") || SameIgnoringCase(port, u"LPT");
}

std::u16string CleanPart(std::u16string_view part) {
    std::u16string clean(part);
    for (char16_t& c : clean) {
        if (IsForbidden(c))
            c = kReplacement;
    }
    while (!clean.empty() && IsDroppedAtEnd(clean.back()))
        clean.pop_back();
    if (!clean.empty() && IsDeviceName(clean))
        clean.insert(clean.begin(), kReplacement);
    return clean;
}

std::optional<std::u16string> FileInFolder(std::u16string_view folder, std::u16string_view name,
                                           size_t maxPath) {
    if (folder.empty())
        return std::nullopt;
    const std::vector<std::u16string> parts = CleanParts(name);
    if (parts.empty())
        return std::nullopt;
    std::u16string path(folder);
    if (!IsSeparator(path.back()))
        path.push_back(u'\\');
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        std::optional<std::u16string> folderPart = Shortened(parts[i], kMaxComponent, false);
        if (!folderPart)
            return std::nullopt;
        path += *folderPart;
        path.push_back(u'\\');
    }
    if (path.size() >= maxPath)
        return std::nullopt;
    std::optional<std::u16string> file =
        Shortened(parts.back(), std::min(kMaxComponent, maxPath - path.size()), true);
    if (!file)
        return std::nullopt;
    path += *file;
    return path;
}

std::u16string WithoutFolder(std::u16string_view fullPath, std::u16string_view folder) {
    if (folder.empty())
        return std::u16string(fullPath);
    std::u16string rest;
    size_t from = 0;
    for (size_t at = fullPath.find(folder); at != std::u16string_view::npos;
         at = fullPath.find(folder, from)) {
        rest.append(fullPath.substr(from, at - from));
        from = at + folder.size();
    }
    rest.append(fullPath.substr(from));
    return rest;
}

} // namespace output_path
