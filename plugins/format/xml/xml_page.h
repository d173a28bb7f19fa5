#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "page_items.h"

// The XML format's document: a header naming the document, one page element per page holding
// one text element per item (position, size, font and text), and a footer. Platform-neutral.
// Every text and attribute value is escaped (xml_text.h), so the document is well-formed
// whatever the pages hold.

// "<?xml ...?>" and the opening document element; the name may be empty.
std::u16string XmlHeader(std::u16string_view docName, std::int64_t resolution);
std::u16string XmlFooter();

// A run of merged items, as one text element writes it.
struct XmlRun {
    std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::u16string_view font;
    std::u16string text;
};

// A gap of at least this share of the average character width between two items merged into
// one run stands for the blank between two words.
constexpr std::int64_t kWordGapPercent = 30;

// The runs of one line whose items come sorted by left edge. Blank items are skipped; an item
// starts a new run when its gap from the previous item's right edge is at least space percent
// of the average width (a width of 0 makes every gap small), or when its font differs; else
// its text joins the run, after one space when the document had a blank between them (a blank
// item, or a gap of a word's blank). Throws std::bad_alloc.
std::vector<XmlRun> MergeLineItems(const std::vector<const PositionedItem*>& line,
                                   std::int64_t averageWidth, std::int64_t space);

// One page after another: StartPage, the page's items, EndPage.
class XmlPage {
public:
    XmlPage() = default;
    XmlPage(const XmlPage&) = delete;
    XmlPage& operator=(const XmlPage&) = delete;

    // Empties the page; index counts from 0.
    void StartPage(std::int64_t index, std::int64_t width, std::int64_t height);
    // Throws std::bad_alloc.
    void AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::u16string_view text, std::u16string_view font);
    // The page element, every line followed by CR LF: one text element per item in arrival
    // order, or with optimize the lines' merged runs (MergeLineItems). The items stay until the
    // next StartPage. Throws std::bad_alloc.
    std::u16string EndPage(bool optimize, std::int64_t space);

    // The average character width of the page the last optimized EndPage wrote.
    std::int64_t AverageWidth() const { return averageWidth_; }

private:
    PageItems page_;
    std::int64_t index_ = 0, width_ = 0, height_ = 0;
    std::int64_t averageWidth_ = 0;
};
