// Arbitrary pages and parameter values written through both XML formats (the XML pages, plain
// and merged, and the RSS and Atom feeds), each whole document parsed by libxml2, which must
// find it well-formed. For the plain XML pages it also checks that every item's text and font
// come back from the parser as they went in, but for what XML cannot hold (replaced by U+FFFD).
#include <fuzzer/FuzzedDataProvider.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "feed_writer.h"
#include "xml_page.h"

// The checks are not what is fuzzed: their branches would only distract the search.
#define QLX_CHECKER __attribute__((no_sanitize("coverage")))

namespace {

constexpr size_t kMaxPages = 3;
constexpr size_t kMaxItems = 64;

// Units that test escaping and what XML forbids, or any unit at all.
std::u16string Text(FuzzedDataProvider& input, size_t maxLength = 24) {
    static const char16_t kAlphabet[] = {
        u'&',   u'<',   u'>',   u'"', u'\'', 0,      1,    0x1F, u'\t', u'\r', u'\n', 0xD83D,
        0xDE00, 0xFFFE, 0xFFFF, u' ', u'a',  0x3000, u']', u';', u'#',  0xA0,  0x7F,  0xFFFD};
    std::u16string text;
    const size_t length = input.ConsumeIntegralInRange<size_t>(0, maxLength);
    for (size_t i = 0; i < length && input.remaining_bytes() > 0; ++i) {
        if (input.ConsumeBool())
            text += kAlphabet[input.ConsumeIntegralInRange<size_t>(0, std::size(kAlphabet) - 1)];
        else
            text += static_cast<char16_t>(input.ConsumeIntegral<std::uint16_t>());
    }
    return text;
}

std::int32_t Coordinate(FuzzedDataProvider& input) {
    // Mostly on a page; a coordinate far off gives a page of many blank lines, so those come
    // less often.
    switch (input.ConsumeIntegralInRange(0, 15)) {
    case 0:
        return std::numeric_limits<std::int32_t>::min();
    case 1:
        return std::numeric_limits<std::int32_t>::max();
    case 2:
        return input.ConsumeIntegral<std::int32_t>();
    default:
        return input.ConsumeIntegralInRange(0, 400);
    }
}

[[noreturn]] QLX_CHECKER void Fail(const char* what) {
    std::fprintf(stderr, "format_fuzzer: %s\n", what);
    std::abort();
}

// UTF-8 for the parser; the writers must have left no lone surrogate.
QLX_CHECKER std::string Utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            Fail("a lone surrogate in the output");
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// The text as a reader must get it back: what XML 1.0 cannot hold replaced by U+FFFD.
QLX_CHECKER std::u16string Readable(const std::u16string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            out += unit;
            out += text[++i];
        } else if (high || (unit >= 0xDC00 && unit <= 0xDFFF) || unit == 0xFFFE || unit == 0xFFFF ||
                   (unit < 0x20 && unit != 9 && unit != 10 && unit != 13)) {
            out += u'\uFFFD';
        } else {
            out += unit;
        }
    }
    return out;
}

void IgnoreErrors(void*, const char*, ...) {}

QLX_CHECKER xmlDocPtr Parse(const std::u16string& document) {
    const std::string bytes = Utf8(document);
    xmlDocPtr parsed =
        xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "page.xml", "UTF-8",
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE);
    if (!parsed) {
        std::fwrite(bytes.data(), 1, bytes.size(), stderr);
        Fail("the document is not well-formed");
    }
    return parsed;
}

QLX_CHECKER std::string Content(xmlNodePtr node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return text;
}

QLX_CHECKER std::string Attribute(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value)
        Fail("an attribute is missing");
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

std::vector<xmlNodePtr> Children(xmlNodePtr parent, const char* name) {
    std::vector<xmlNodePtr> found;
    for (xmlNodePtr child = parent->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE &&
            xmlStrEqual(child->name, reinterpret_cast<const xmlChar*>(name)))
            found.push_back(child);
    }
    return found;
}

struct Item {
    std::int32_t x0, y0, x1, y1;
    std::u16string text, font;
};

struct Page {
    std::int64_t index, width, height;
    std::vector<Item> items;
};

// The plain XML pages: every item's text element in arrival order, text and font intact.
QLX_CHECKER void CheckPlainPages(xmlDocPtr parsed, const std::vector<Page>& pages) {
    const std::vector<xmlNodePtr> pageNodes = Children(xmlDocGetRootElement(parsed), "page");
    if (pageNodes.size() != pages.size())
        Fail("pages lost or made up");
    for (size_t p = 0; p < pages.size(); ++p) {
        const std::vector<xmlNodePtr> texts = Children(pageNodes[p], "text");
        if (texts.size() != pages[p].items.size())
            Fail("text elements lost or made up");
        for (size_t i = 0; i < texts.size(); ++i) {
            const Item& item = pages[p].items[i];
            if (Attribute(texts[i], "Font") != Utf8(Readable(item.font)))
                Fail("a font name did not come back");
            if (Content(texts[i]) != Utf8(u"\n\t\t\t" + Readable(item.text) + u"\n\t\t"))
                Fail("a text did not come back");
        }
    }
}

QLX_CHECKER void CheckEntries(xmlDocPtr parsed, bool atom, size_t count) {
    xmlNodePtr root = xmlDocGetRootElement(parsed);
    if (!atom) {
        const std::vector<xmlNodePtr> channel = Children(root, "channel");
        if (channel.size() != 1)
            Fail("the RSS channel is missing");
        root = channel[0];
    }
    if (Children(root, atom ? "entry" : "item").size() != count)
        Fail("feed entries lost or made up");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, IgnoreErrors);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool optimize = input.ConsumeBool();
    const std::int64_t space = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 200)
                                                   : input.ConsumeIntegral<std::int32_t>();
    FeedSettings feed;
    feed.br = input.ConsumeBool();
    feed.atom = input.ConsumeBool();
    const std::u16string docName = Text(input);
    feed.link = Text(input);
    feed.description = Text(input);
    feed.author = Text(input);
    const std::int32_t resolution = input.ConsumeIntegral<std::int32_t>();
    const UtcTime now = {
        input.ConsumeIntegralInRange(1601, 30827), input.ConsumeIntegralInRange(1, 12),
        input.ConsumeIntegralInRange(1, 31),       input.ConsumeIntegralInRange(0, 23),
        input.ConsumeIntegralInRange(0, 59),       input.ConsumeIntegralInRange(0, 59)};

    std::vector<Page> pages(input.ConsumeIntegralInRange<size_t>(0, kMaxPages));
    for (Page& page : pages) {
        page.index = input.ConsumeIntegral<std::int32_t>();
        page.width = input.ConsumeIntegral<std::int32_t>();
        page.height = input.ConsumeIntegral<std::int32_t>();
        const size_t count = input.ConsumeIntegralInRange<size_t>(0, kMaxItems);
        for (size_t i = 0; i < count && input.remaining_bytes() > 0; ++i) {
            Item item;
            item.x0 = Coordinate(input);
            item.y0 = Coordinate(input);
            item.x1 = Coordinate(input);
            item.y1 = Coordinate(input);
            item.text = Text(input);
            item.font = input.ConsumeBool() ? u"Arial" : Text(input, 8);
            page.items.push_back(std::move(item));
        }
    }

    // The XML pages, plain and merged, and the feed, each a whole document.
    for (const bool merged : {false, optimize}) {
        XmlPage xml;
        std::u16string document = XmlHeader(docName, resolution);
        for (const Page& page : pages) {
            xml.StartPage(page.index, page.width, page.height);
            for (const Item& item : page.items)
                xml.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, item.font);
            document += xml.EndPage(merged, space);
        }
        document += XmlFooter();
        xmlDocPtr parsed = Parse(document);
        if (!merged)
            CheckPlainPages(parsed, pages);
        xmlFreeDoc(parsed);
        if (!optimize)
            break;
    }

    FeedPage entry;
    std::u16string document = FeedHeader(feed, docName, now);
    for (const Page& page : pages) {
        entry.StartPage(page.index, feed, docName, now);
        for (const Item& item : page.items)
            entry.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, item.font);
        document += entry.EndPage();
    }
    document += FeedFooter(feed.atom);
    xmlDocPtr parsed = Parse(document);
    CheckEntries(parsed, feed.atom, pages.size());
    xmlFreeDoc(parsed);
    return 0;
}
