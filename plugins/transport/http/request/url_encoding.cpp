#include "url_encoding.h"

#include "utf8.h"

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsUnreserved(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.' || c == u'_' || c == u'~';
}

bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

void AppendEscaped(unsigned char byte, std::u16string* out) {
    out->push_back(u'%');
    out->push_back(static_cast<char16_t>(kHex[byte >> 4]));
    out->push_back(static_cast<char16_t>(kHex[byte & 0x0F]));
}

// Each character kept when keep says so, else its UTF-8 bytes escaped. A surrogate pair is
// taken whole.
template <class Keep> std::u16string Encode(const std::u16string& text, Keep keep) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (keep(c)) {
            out.push_back(c);
            continue;
        }
        size_t length = 1;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            length = 2;
        for (unsigned char byte : ToUtf8(text.substr(i, length)))
            AppendEscaped(byte, &out);
        i += length - 1;
    }
    return out;
}

} // namespace

std::u16string EncodePathSegment(const std::u16string& name) {
    if (name == u"." || name == u"..")
        return name == u"." ? u"%2E" : u"%2E%2E";
    return Encode(name, IsUnreserved);
}

std::u16string EncodeUnsafeTargetCharacters(const std::u16string& target) {
    return Encode(target, [](char16_t c) { return c > 0x20 && c < 0x7F; });
}

std::u16string EncodeFormValue(const std::u16string& value) {
    return Encode(value, [](char16_t c) { return !IsControl(c); });
}
