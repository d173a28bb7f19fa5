#include "xml_page.h"

#include "blank_text.h"
#include "page_lines.h"
#include "round_half_down.h"
#include "xml_text.h"

namespace {

void AppendRun(std::u16string& out, const XmlRun& run) {
    out += u"\t\t<text X=\"";
    AppendDecimal(out, run.x0);
    out += u"\" Y=\"";
    AppendDecimal(out, run.y0);
    out += u"\" Width=\"";
    AppendDecimal(out, run.x1 - run.x0);
    out += u"\" Height=\"";
    AppendDecimal(out, run.y1 - run.y0);
    out += u"\" Font=\"";
    AppendXmlAttribute(out, run.font);
    out += u"\">\r\n\t\t\t";
    AppendXmlText(out, run.text);
    out += u"\r\n\t\t</text>\r\n";
}

XmlRun RunOf(const PositionedItem& item) {
    XmlRun run;
    run.x0 = item.x0;
    run.y0 = item.y0;
    run.x1 = item.x1;
    run.y1 = item.y1;
    run.font = item.font;
    run.text.assign(item.text);
    return run;
}

bool StartsOrEndsBlank(std::u16string_view text, bool atEnd) {
    return !text.empty() && IsBlankText(text.substr(atEnd ? text.size() - 1 : 0, 1));
}

// round-half-down(sum of widths / sum of text lengths); 0 when the page has no characters.
std::int64_t AverageCharWidth(const PageItems& page) {
    double widths = 0;
    double characters = 0;
    for (size_t i = 0; i < page.ItemCount(); ++i) {
        const PositionedItem& item = page.Item(i);
        widths += static_cast<double>(std::int64_t{item.x1} - item.x0);
        characters += static_cast<double>(item.text.size());
    }
    return characters > 0 ? RoundHalfDown(widths / characters) : 0;
}

} // namespace

std::u16string XmlHeader(std::u16string_view docName, std::int64_t resolution) {
    std::u16string header = u"<?xml version=\"1.0\" ?>\r\n<document name=\"";
    AppendXmlAttribute(header, docName);
    header += u"\" resolution=\"";
    AppendDecimal(header, resolution);
    header += u"\">\r\n";
    return header;
}

std::u16string XmlFooter() {
    return u"</document>\r\n";
}

std::vector<XmlRun> MergeLineItems(const std::vector<const PositionedItem*>& line,
                                   std::int64_t averageWidth, std::int64_t space) {
    std::vector<XmlRun> runs;
    bool open = false;
    std::int64_t prev = 0;
    bool blankSkipped = false; // a blank item since the last item taken
    for (const PositionedItem* item : line) {
        if (IsBlankText(item->text)) {
            blankSkipped = true;
            continue;
        }
        std::int64_t gapShare = -1; // below any space: no gap, or no width to measure it by
        if (item->x0 > prev && averageWidth > 0)
            gapShare = RoundHalfDown(static_cast<double>(item->x0 - prev) * 100.0 /
                                     static_cast<double>(averageWidth));
        const bool farApart = item->x0 > prev && averageWidth > 0 && gapShare >= space;
        if (!open || farApart || runs.back().font != item->font) {
            runs.push_back(RunOf(*item));
            open = true;
        } else {
            XmlRun& run = runs.back();
            // Merging must not join two words into one.
            const bool wordGap = blankSkipped || gapShare >= kWordGapPercent;
            if (wordGap && !StartsOrEndsBlank(run.text, true) &&
                !StartsOrEndsBlank(item->text, false))
                run.text += u' ';
            run.text += item->text;
            run.x1 = item->x1;
            run.y1 = item->y1;
        }
        blankSkipped = false;
        prev = item->x1;
    }
    return runs;
}

void XmlPage::StartPage(std::int64_t index, std::int64_t width, std::int64_t height) {
    page_.Clear();
    index_ = index;
    width_ = width;
    height_ = height;
}

void XmlPage::AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                      std::u16string_view text, std::u16string_view font) {
    page_.AddItem(x0, y0, x1, y1, text, font);
}

std::u16string XmlPage::EndPage(bool optimize, std::int64_t space) {
    std::u16string out = u"\t<page number=\"";
    AppendDecimal(out, index_ + 1);
    out += u"\" width=\"";
    AppendDecimal(out, width_);
    out += u"\" height=\"";
    AppendDecimal(out, height_);
    out += u"\">\r\n";
    if (!optimize) {
        for (size_t i = 0; i < page_.ItemCount(); ++i)
            AppendRun(out, RunOf(page_.Item(i)));
    } else {
        averageWidth_ = AverageCharWidth(page_);
        const std::int32_t lines = AssignLines(page_);
        std::vector<const PositionedItem*> list;
        for (std::int32_t line = 0; line < lines; ++line) {
            list.clear();
            GatherLine(page_, line, list);
            for (const XmlRun& run : MergeLineItems(list, averageWidth_, space))
                AppendRun(out, run);
        }
    }
    out += u"\t</page>\r\n";
    return out;
}
