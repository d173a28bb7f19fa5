#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document_model.h"

// Lays a document out on pages the way a word processor does against its printer: text is
// measured in fonts made for the page's resolution, broken into lines at spaces, aligned,
// justified by widening the spaces, tabs set to their stops, and lines moved to the next
// page when they don't fit. Every unit is a device pixel of the page.

struct PageGeometry {
    LONG dpi = 300;
    LONG width = 2550; // Letter
    LONG height = 3300;
    LONG margin = 300; // one inch all round
};

// One text-output call: a stretch of a line in one format, with each character's advance.
struct PlacedText {
    const CharFormat* format;
    LONG x;
    LONG baseline;
    std::wstring text;
    std::vector<INT> dx;
};

struct LaidOutPage {
    std::vector<PlacedText> texts;
};

// The fonts of a document at the page's resolution, selected for measuring on a context of
// its own.
class PageFonts {
public:
    explicit PageFonts(LONG dpi);
    ~PageFonts();
    PageFonts(const PageFonts&) = delete;
    PageFonts& operator=(const PageFonts&) = delete;

    LOGFONTW Logical(const CharFormat& format) const;
    // Selects the format's font for measuring and returns its metrics.
    const TEXTMETRICW& Select(const CharFormat& format);
    HDC Dc() const { return dc_; }
    HFONT Font(const CharFormat& format);

private:
    struct Entry {
        HFONT font;
        TEXTMETRICW metrics;
    };
    Entry& EntryFor(const CharFormat& format);

    LONG dpi_;
    HDC dc_;
    HGDIOBJ original_ = nullptr;
    std::map<std::wstring, Entry> fonts_;
};

std::vector<LaidOutPage> LayOut(const std::vector<Paragraph>& paragraphs, const PageGeometry& page,
                                PageFonts& fonts);
