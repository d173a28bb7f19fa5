#include "page_layout.h"

#include <algorithm>

namespace {

constexpr LONG kTwipsPerInch = 1440;
constexpr LONG kDefaultTabTwips = 720;

struct Glyph {
    const CharFormat* format;
    wchar_t c;
    LONG advance;
    LONG x = 0;
};

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t';
}

class ParagraphLayout {
public:
    ParagraphLayout(const Paragraph& paragraph, const PageGeometry& page, PageFonts& fonts,
                    std::vector<LaidOutPage>* pages, LONG* y)
        : paragraph_(paragraph), page_(page), fonts_(fonts), pages_(pages), y_(y) {}

    void Run() {
        Measure();
        const LONG left = page_.margin + Units(paragraph_.left_indent);
        right_ = page_.width - page_.margin - Units(paragraph_.right_indent);
        size_t start = 0;
        bool first = true;
        if (glyphs_.empty()) {
            EmptyLine();
            return;
        }
        while (start < glyphs_.size()) {
            line_left_ = left + (first ? Units(paragraph_.first_indent) : 0);
            const size_t end = BreakLine(start);
            const bool last = end >= glyphs_.size();
            PlaceLine(start, end, last);
            start = end;
            while (start < glyphs_.size() && glyphs_[start].c == L' ')
                ++start;
            first = false;
        }
        *y_ += Units(paragraph_.space_after);
    }

private:
    LONG Units(LONG twips) const { return MulDiv(twips, page_.dpi, kTwipsPerInch); }

    void Measure() {
        for (const StyledRun& run : paragraph_.runs) {
            fonts_.Select(run.format);
            const int n = static_cast<int>(run.text.size());
            std::vector<INT> extents(n);
            SIZE size;
            int fit = 0;
            GetTextExtentExPointW(fonts_.Dc(), run.text.c_str(), n, INT_MAX, &fit, extents.data(),
                                  &size);
            for (int i = 0; i < n; ++i) {
                const LONG advance = extents[i] - (i ? extents[i - 1] : 0);
                glyphs_.push_back({&run.format, run.text[i], advance});
            }
        }
    }

    LONG NextTabStop(LONG x) const {
        const LONG from_margin = x - page_.margin;
        for (LONG tab : paragraph_.tabs) {
            if (Units(tab) > from_margin)
                return page_.margin + Units(tab);
        }
        const LONG step = Units(kDefaultTabTwips);
        return page_.margin + (from_margin / step + 1) * step;
    }

    // Places glyphs from start on until the line is full; returns where the next line starts.
    size_t BreakLine(size_t start) {
        LONG x = line_left_;
        size_t last_break = 0;
        for (size_t i = start; i < glyphs_.size(); ++i) {
            Glyph& glyph = glyphs_[i];
            if (glyph.c == L'\t')
                glyph.advance = NextTabStop(x) - x;
            glyph.x = x;
            if (x + glyph.advance > right_ && !IsSpace(glyph.c) && i > start)
                return last_break > start ? last_break : i;
            x += glyph.advance;
            if (IsSpace(glyph.c))
                last_break = i + 1;
        }
        return glyphs_.size();
    }

    void PlaceLine(size_t start, size_t end, bool last) {
        size_t visible_end = end;
        while (visible_end > start && glyphs_[visible_end - 1].c == L' ')
            --visible_end;
        LONG ascent = 0, height = 0;
        for (size_t i = start; i < end; ++i) {
            const TEXTMETRICW& m = fonts_.Select(*glyphs_[i].format);
            ascent = std::max(ascent, m.tmAscent);
            height = std::max(height, m.tmHeight + m.tmExternalLeading);
        }
        if (*y_ + height > page_.height - page_.margin && *y_ > page_.margin) {
            pages_->emplace_back();
            *y_ = page_.margin;
        }
        if (visible_end > start)
            Align(start, visible_end, last);
        Emit(start, visible_end, *y_ + ascent);
        *y_ += height;
    }

    void Align(size_t start, size_t end, bool last) {
        const Glyph& tail = glyphs_[end - 1];
        const LONG free = right_ - (tail.x + tail.advance);
        if (free <= 0)
            return;
        if (paragraph_.alignment == Alignment::kJustify && !last) {
            std::vector<size_t> spaces;
            for (size_t i = start; i < end; ++i) {
                if (glyphs_[i].c == L' ')
                    spaces.push_back(i);
            }
            if (spaces.empty())
                return;
            const LONG each = free / static_cast<LONG>(spaces.size());
            LONG rest = free % static_cast<LONG>(spaces.size());
            for (size_t s : spaces) {
                glyphs_[s].advance += each + (rest > 0 ? 1 : 0);
                --rest;
            }
            LONG x = glyphs_[start].x;
            for (size_t i = start; i < end; ++i) {
                glyphs_[i].x = x;
                x += glyphs_[i].advance;
            }
            return;
        }
        LONG shift = 0;
        if (paragraph_.alignment == Alignment::kRight)
            shift = free;
        else if (paragraph_.alignment == Alignment::kCenter)
            shift = free / 2;
        for (size_t i = start; i < end; ++i)
            glyphs_[i].x += shift;
    }

    void Emit(size_t start, size_t end, LONG baseline) {
        LaidOutPage& page = pages_->back();
        for (size_t i = start; i < end;) {
            PlacedText text = {glyphs_[i].format, glyphs_[i].x, baseline, L"", {}};
            size_t j = i;
            for (; j < end && glyphs_[j].format == glyphs_[i].format; ++j) {
                text.text.push_back(glyphs_[j].c == L'\t' ? L' ' : glyphs_[j].c);
                text.dx.push_back(glyphs_[j].advance);
            }
            page.texts.push_back(std::move(text));
            i = j;
        }
    }

    void EmptyLine() {
        static const CharFormat fallback;
        const CharFormat& format =
            paragraph_.runs.empty() ? fallback : paragraph_.runs.back().format;
        const TEXTMETRICW& m = fonts_.Select(format);
        const LONG height = m.tmHeight + m.tmExternalLeading;
        if (*y_ + height > page_.height - page_.margin) {
            pages_->emplace_back();
            *y_ = page_.margin;
        }
        *y_ += height + Units(paragraph_.space_after);
    }

    const Paragraph& paragraph_;
    const PageGeometry& page_;
    PageFonts& fonts_;
    std::vector<LaidOutPage>* pages_;
    LONG* y_;
    std::vector<Glyph> glyphs_;
    LONG line_left_ = 0;
    LONG right_ = 0;
};

std::wstring Key(const CharFormat& format) {
    return format.face + L"|" + std::to_wstring(format.twips) + (format.bold ? L"b" : L"") +
           (format.italic ? L"i" : L"") + (format.underline ? L"u" : L"");
}

} // namespace

PageFonts::PageFonts(LONG dpi) : dpi_(dpi), dc_(CreateCompatibleDC(nullptr)) {}

PageFonts::~PageFonts() {
    if (original_)
        SelectObject(dc_, original_);
    for (auto& entry : fonts_)
        DeleteObject(entry.second.font);
    if (dc_)
        DeleteDC(dc_);
}

LOGFONTW PageFonts::Logical(const CharFormat& format) const {
    LOGFONTW logical = {};
    logical.lfHeight = -MulDiv(format.twips, dpi_, kTwipsPerInch);
    logical.lfWeight = format.bold ? FW_BOLD : FW_NORMAL;
    logical.lfItalic = format.italic;
    logical.lfUnderline = format.underline;
    logical.lfCharSet = DEFAULT_CHARSET;
    format.face.copy(logical.lfFaceName, LF_FACESIZE - 1);
    return logical;
}

PageFonts::Entry& PageFonts::EntryFor(const CharFormat& format) {
    const std::wstring key = Key(format);
    auto found = fonts_.find(key);
    if (found != fonts_.end())
        return found->second;
    const LOGFONTW logical = Logical(format);
    Entry entry = {CreateFontIndirectW(&logical), {}};
    HGDIOBJ previous = SelectObject(dc_, entry.font);
    if (!original_)
        original_ = previous;
    GetTextMetricsW(dc_, &entry.metrics);
    return fonts_.emplace(key, entry).first->second;
}

const TEXTMETRICW& PageFonts::Select(const CharFormat& format) {
    Entry& entry = EntryFor(format);
    SelectObject(dc_, entry.font);
    return entry.metrics;
}

HFONT PageFonts::Font(const CharFormat& format) {
    return EntryFor(format).font;
}

std::vector<LaidOutPage> LayOut(const std::vector<Paragraph>& paragraphs, const PageGeometry& page,
                                PageFonts& fonts) {
    std::vector<LaidOutPage> pages(1);
    LONG y = page.margin;
    for (const Paragraph& paragraph : paragraphs)
        ParagraphLayout(paragraph, page, fonts, &pages, &y).Run();
    while (pages.size() > 1 && pages.back().texts.empty())
        pages.pop_back();
    return pages;
}
