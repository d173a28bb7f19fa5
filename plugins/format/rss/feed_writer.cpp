#include "feed_writer.h"

#include "page_lines.h"
#include "xml_text.h"

namespace {

// The Atom namespace name (RFC 4287).
constexpr char16_t kAtomNamespace[] = u"http://www.w3.org/2005/Atom";
// The HTML line break, as text of an HTML body.
constexpr char16_t kEscapedBreak[] = u"&lt;BR&gt;";

void AppendAtomHead(std::u16string& out, const FeedSettings& settings, std::u16string_view docName,
                    const UtcTime& now) {
    out += u"<feed xmlns=\"";
    out += kAtomNamespace;
    out += u"\">\r\n\t<title>";
    AppendXmlText(out, docName);
    out += u"</title>\r\n\t<id>";
    AppendXmlText(out, docName);
    out += u"</id>";
    if (!settings.link.empty()) {
        out += u"\r\n\t<link href=\"";
        AppendXmlAttribute(out, settings.link);
        out += u"\"/>";
    }
    if (!settings.author.empty()) {
        out += u"\r\n\t<author>\r\n\t\t<name>";
        AppendXmlText(out, settings.author);
        out += u"</name>\r\n\t</author>";
    }
    if (!settings.description.empty()) {
        out += u"\r\n\t<subtitle>";
        AppendXmlText(out, settings.description);
        out += u"</subtitle>";
    }
    out += u"\r\n\t<generator version=\"5.4\">Quorvane Lettrix</generator>\r\n\t<updated>";
    out += Rfc3339(now);
    out += u"</updated>\r\n";
}

void AppendRssHead(std::u16string& out, const FeedSettings& settings, std::u16string_view docName) {
    out += u"<rss version=\"2.0\">\r\n<channel>\r\n\t<title>";
    AppendXmlText(out, docName);
    out += u"</title>";
    if (!settings.link.empty()) {
        out += u"\r\n\t<link>";
        AppendXmlText(out, settings.link);
        out += u"</link>";
    }
    if (!settings.description.empty()) {
        out += u"\r\n\t<description>";
        AppendXmlText(out, settings.description);
        out += u"</description>";
    }
    out += u"\r\n\t<generator>Quorvane Lettrix 5.4</generator>\r\n";
}

} // namespace

std::u16string FeedHeader(const FeedSettings& settings, std::u16string_view docName,
                          const UtcTime& now) {
    std::u16string header = u"<?xml version=\"1.0\" ?>\r\n";
    if (settings.atom)
        AppendAtomHead(header, settings, docName, now);
    else
        AppendRssHead(header, settings, docName);
    return header;
}

std::u16string FeedFooter(bool atom) {
    return atom ? u"</feed>\r\n" : u"</channel>\r\n</rss>\r\n";
}

FeedPage::FeedPage() {
    page_.SetSeparator(u" ");
}

void FeedPage::StartPage(std::int64_t index, const FeedSettings& settings,
                         std::u16string_view docName, const UtcTime& now) {
    page_.Clear();
    br_ = settings.br;
    atom_ = settings.atom;
    head_.clear();
    if (atom_) {
        head_ += u"\t<entry>\r\n\t\t<title>";
        AppendXmlText(head_, docName);
        head_ += u", page ";
        AppendDecimal(head_, index + 1);
        head_ += u"</title>\r\n\t\t<id>";
        AppendXmlText(head_, docName);
        head_ += u'_';
        AppendDecimal(head_, index + 1);
        head_ += u"</id>";
        if (!settings.link.empty()) {
            head_ += u"\r\n\t\t<link href=\"";
            AppendXmlAttribute(head_, settings.link);
            head_ += u"\"/>";
        }
        head_ += u"\r\n\t\t<updated>";
        head_ += Rfc3339(now);
        head_ += u"</updated>";
        head_ += br_ ? u"\r\n\t\t<content type=\"html\">" : u"\r\n\t\t<content type=\"text\">";
    } else {
        head_ += u"\t<item>\r\n";
        if (!settings.author.empty()) {
            head_ += u"\t\t<author>";
            AppendXmlText(head_, settings.author);
            head_ += u"</author>\r\n";
        }
        head_ += u"\t\t<description>";
    }
}

void FeedPage::AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                       std::u16string_view text, std::u16string_view font) {
    page_.AddItem(x0, y0, x1, y1, text, font);
}

std::u16string FeedPage::EndPage() {
    if (head_.empty()) // a page without StartPage: the first page's head, unnamed
        StartPage(0, FeedSettings{u"", u"", u"", br_, atom_}, u"", UtcTime{});
    BuildLines(page_);
    std::u16string out = head_;
    out += u"\r\n";
    for (const std::u16string& line : page_.Lines()) {
        if (br_) {
            // An HTML body: the text is HTML-escaped, and the break is text of the body too.
            AppendHtmlAsXmlText(out, line);
            out += kEscapedBreak;
        } else {
            AppendXmlText(out, line);
        }
        out += u"\r\n";
    }
    out += atom_ ? u"\t\t</content>\r\n\t</entry>\r\n" : u"\t\t</description>\r\n\t</item>\r\n";
    return out;
}
