// Lays out a page file with the text-with-layout layout, for the pdftotext reference and the
// benchmark.
//
//   twl_page_tool [--margins] [--usespaces] [--time N] PAGE_FILE
//
// A page file is UTF-8: a first line "page WIDTH HEIGHT", then one line per item,
// "X0 Y0 X1 Y1 TEXT" (device pixels; the text runs to the end of the line). The page's text is
// written to standard output in UTF-8, every line ended by CR LF. With --time N the page is laid
// out N times and only the time per page is written, in microseconds (the mean of the fastest
// tenth of the runs).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "layout_items.h"

namespace {

// The page's texts are packed in one string, so that the tool's own copy of the page weighs
// little beside the layout's when it is timed.
struct Item {
    std::int32_t x0, y0, x1, y1;
    std::uint32_t first, length; // in Page::texts
};

struct Page {
    std::int32_t height = 0;
    std::vector<Item> items;
    std::u16string texts;
};

// UTF-8 to UTF-16; a malformed byte becomes U+FFFD.
std::u16string FromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80    ? 0
                          : lead >= 0xF0 ? 3
                          : lead >= 0xE0 ? 2
                          : lead >= 0xC0 ? 1
                                         : -1;
        std::uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool good = extra >= 0 && i + extra < text.size();
        for (int k = 1; good && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            good = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!good) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string ToUtf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
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

bool ReadPage(const char* path, Page& page) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line))
        return false;
    std::istringstream header(line);
    std::string word;
    std::int32_t width = 0;
    if (!(header >> word >> width >> page.height) || word != "page")
        return false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::istringstream fields(line);
        Item item{};
        if (!(fields >> item.x0 >> item.y0 >> item.x1 >> item.y1))
            return false;
        std::string text;
        std::getline(fields, text);
        if (!text.empty() && text.front() == ' ')
            text.erase(0, 1);
        const std::u16string units = FromUtf8(text);
        item.first = static_cast<std::uint32_t>(page.texts.size());
        item.length = static_cast<std::uint32_t>(units.size());
        page.texts += units;
        page.items.push_back(item);
    }
    return true;
}

const std::u16string& LayOut(LayoutItems& layout, const Page& page, bool margins, bool usespaces) {
    layout.StartPage(page.height);
    const std::u16string_view texts = page.texts;
    for (const Item& item : page.items)
        layout.AddItem(item.x0, item.y0, item.x1, item.y1, texts.substr(item.first, item.length),
                       u"", usespaces);
    return layout.EndPage(margins);
}

} // namespace

int main(int argc, char** argv) {
    bool margins = false, usespaces = false;
    long repeat = 0;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--margins") == 0)
            margins = true;
        else if (std::strcmp(argv[i], "--usespaces") == 0)
            usespaces = true;
        else if (std::strcmp(argv[i], "--time") == 0 && i + 1 < argc)
            repeat = std::strtol(argv[++i], nullptr, 10);
        else
            path = argv[i];
    }
    Page page;
    if (!path || !ReadPage(path, page)) {
        std::fprintf(stderr,
                     "usage: twl_page_tool [--margins] [--usespaces] [--time N] PAGE_FILE\n");
        return 2;
    }
    LayoutItems layout;
    if (repeat <= 0) {
        std::cout << ToUtf8(LayOut(layout, page, margins, usespaces));
        return 0;
    }
    // The fastest of ten rounds, each the mean of a tenth of the runs: a run disturbed by
    // another program on the machine does not count.
    LayOut(layout, page, margins, usespaces); // the buffers have grown as they will
    const long perRound = repeat / 10 > 0 ? repeat / 10 : 1;
    double best = 0;
    size_t length = 0;
    for (int round = 0; round < 10; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < perRound; ++i)
            length += LayOut(layout, page, margins, usespaces).size();
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        const double mean = spent.count() / static_cast<double>(perRound);
        if (round == 0 || mean < best)
            best = mean;
    }
    std::printf("%.1f\n", best);
    return length > 0 ? 0 : 1;
}
