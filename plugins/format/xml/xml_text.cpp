#include "xml_text.h"

namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Code units XML 1.0 never allows, whatever their escaping (surrogates are judged in pairs).
bool IsForbidden(char16_t unit) {
    if (unit < 0x20)
        return unit != u'\t' && unit != u'\n' && unit != u'\r';
    return unit == 0xFFFE || unit == 0xFFFF;
}

enum class Context { kText, kAttribute };

void AppendAscii(std::u16string& out, const char* text) {
    while (*text)
        out += static_cast<char16_t>(*text++);
}

void AppendEscaped(std::u16string& out, std::u16string_view text, Context context) {
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit)) {
            if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
                out += unit;
                out += text[++i];
            } else {
                out += kReplacement;
            }
            continue;
        }
        if (IsLowSurrogate(unit) || IsForbidden(unit)) {
            out += kReplacement;
            continue;
        }
        switch (unit) {
        case u'&':
            AppendAscii(out, "&amp;");
            break;
        case u'<':
            AppendAscii(out, "&lt;");
            break;
        case u'>':
            AppendAscii(out, "&gt;");
            break;
        case u'"':
            AppendAscii(out, context == Context::kAttribute ? "&quot;" : "\"");
            break;
        case u'\r':
            AppendAscii(out, "&#13;");
            break;
        case u'\n':
            AppendAscii(out, context == Context::kAttribute ? "&#10;" : "\n");
            break;
        case u'\t':
            AppendAscii(out, context == Context::kAttribute ? "&#9;" : "\t");
            break;
        default:
            out += unit;
        }
    }
}

} // namespace

void AppendXmlText(std::u16string& out, std::u16string_view text) {
    AppendEscaped(out, text, Context::kText);
}

void AppendXmlAttribute(std::u16string& out, std::u16string_view text) {
    AppendEscaped(out, text, Context::kAttribute);
}

void AppendHtmlAsXmlText(std::u16string& out, std::u16string_view text) {
    std::u16string html;
    html.reserve(text.size());
    AppendEscaped(html, text, Context::kText);
    AppendEscaped(out, html, Context::kText);
}

void AppendDecimal(std::u16string& out, std::int64_t value) {
    char16_t digits[24];
    size_t count = 0;
    // Counted in the negative range, which holds the most negative value too.
    std::int64_t rest = value < 0 ? value : -value;
    do {
        digits[count++] = static_cast<char16_t>(u'0' - rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0)
        out += u'-';
    while (count > 0)
        out += digits[--count];
}
