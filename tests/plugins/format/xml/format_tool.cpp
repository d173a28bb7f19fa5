// Writes a page file through both XML formats, for the real readers (xmllint, feedparser):
//
//   xml_format_tool PAGE_FILE XML_OUT FEED_OUT [--optimize] [--space N] [--atom] [--br]
//
// A page file has one record a line; strings are UTF-16 code units as four hex digits each
// (so that any unit, a lone surrogate too, can be written), "-" for an empty one:
//   doc|link|description|author STRING
//   page INDEX WIDTH HEIGHT
//   item X0 Y0 X1 Y1 TEXT FONT
// Both documents are written in UTF-8; the feed is dated 2026-01-31T14:05:09Z. Exit code 3 when
// a document holds a lone surrogate, which UTF-8 cannot carry.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "feed_writer.h"
#include "xml_page.h"

namespace {

std::u16string FromHex(const std::string& hex) {
    std::u16string text;
    if (hex == "-")
        return text;
    for (size_t i = 0; i + 4 <= hex.size(); i += 4)
        text += static_cast<char16_t>(std::stoul(hex.substr(i, 4), nullptr, 16));
    return text;
}

bool ToUtf8(const std::u16string& text, std::string& out) {
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (code >= 0xD800 && code <= 0xDFFF)
            return false;
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
    return true;
}

struct Item {
    std::int32_t x0, y0, x1, y1;
    std::u16string text, font;
};
struct Page {
    std::int64_t index, width, height;
    std::vector<Item> items;
};

bool Write(const char* path, const std::u16string& document) {
    std::string bytes;
    if (!ToUtf8(document, bytes))
        return false;
    std::ofstream(path, std::ios::binary) << bytes;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: xml_format_tool PAGE_FILE XML_OUT FEED_OUT [options]\n";
        return 2;
    }
    bool optimize = false;
    std::int64_t space = 100;
    FeedSettings feed;
    for (int i = 4; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--optimize"))
            optimize = true;
        else if (!std::strcmp(argv[i], "--atom"))
            feed.atom = true;
        else if (!std::strcmp(argv[i], "--br"))
            feed.br = true;
        else if (!std::strcmp(argv[i], "--space") && i + 1 < argc)
            space = std::atoll(argv[++i]);
    }
    std::u16string docName;
    std::vector<Page> pages;
    std::ifstream input(argv[1]);
    for (std::string line; std::getline(input, line);) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "page") {
            Page page{};
            fields >> page.index >> page.width >> page.height;
            pages.push_back(page);
        } else if (kind == "item" && !pages.empty()) {
            Item item{};
            std::string text, font;
            fields >> item.x0 >> item.y0 >> item.x1 >> item.y1 >> text >> font;
            item.text = FromHex(text);
            item.font = FromHex(font);
            pages.back().items.push_back(item);
        } else {
            std::string value;
            fields >> value;
            const std::u16string text = FromHex(value);
            if (kind == "doc")
                docName = text;
            else if (kind == "link")
                feed.link = text;
            else if (kind == "description")
                feed.description = text;
            else if (kind == "author")
                feed.author = text;
        }
    }

    XmlPage xml;
    std::u16string document = XmlHeader(docName, 600);
    for (const Page& page : pages) {
        xml.StartPage(page.index, page.width, page.height);
        for (const Item& item : page.items)
            xml.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, item.font);
        document += xml.EndPage(optimize, space);
    }
    document += XmlFooter();

    const UtcTime now = {2026, 1, 31, 14, 5, 9};
    FeedPage entry;
    std::u16string feedDocument = FeedHeader(feed, docName, now);
    for (const Page& page : pages) {
        entry.StartPage(page.index, feed, docName, now);
        for (const Item& item : page.items)
            entry.AddItem(item.x0, item.y0, item.x1, item.y1, item.text, item.font);
        feedDocument += entry.EndPage();
    }
    feedDocument += FeedFooter(feed.atom);
    return Write(argv[2], document) && Write(argv[3], feedDocument) ? 0 : 3;
}
