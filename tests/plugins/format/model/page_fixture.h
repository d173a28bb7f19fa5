#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page_items.h"

// Small hand-made pages for the tests of the page model and the formats built on it.

struct TextRun {
    std::int32_t x0, y0, x1, y1;
    std::u16string text;
};

inline void AddRuns(PageItems& page, const std::vector<TextRun>& runs) {
    for (const TextRun& run : runs)
        page.AddItem(run.x0, run.y0, run.x1, run.y1, run.text, u"Courier New");
}

// For failure messages: the text with CR and LF shown, anything outside ASCII as \u+hex.
inline std::string Shown(std::u16string_view text) {
    static const char digits[] = "0123456789abcdef";
    std::string shown;
    for (char16_t unit : text) {
        if (unit == u'\r') {
            shown += "\\r";
        } else if (unit == u'\n') {
            shown += "\\n";
        } else if (unit >= 0x20 && unit < 0x7f) {
            shown += static_cast<char>(unit);
        } else {
            shown += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                shown += digits[(unit >> shift) & 0xF];
        }
    }
    return shown;
}

// The items' texts in the page's order with their line numbers, as "text@line ...".
inline std::string LinesOf(const PageItems& page) {
    std::string out;
    for (size_t i = 0; i < page.ItemCount(); ++i) {
        if (i)
            out += ' ';
        out += Shown(page.Item(i).text) + "@" + std::to_string(page.Item(i).line);
    }
    return out;
}
