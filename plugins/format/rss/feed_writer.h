#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "feed_time.h"
#include "page_items.h"

// The RSS and Atom format's feed: a head naming the document, one RSS item or Atom entry per
// page whose body is the page's text line by line, and the feed's end. Platform-neutral. Every
// value is escaped (xml_text.h), so the feed is well-formed whatever the document and the
// settings hold.

struct FeedSettings {
    std::u16string link;        // of the channel or feed, and of every Atom entry
    std::u16string description; // RSS channel description, Atom subtitle
    std::u16string author;      // of every RSS item, or of the Atom feed
    bool br = false;            // the body is HTML, a line break after every line
    bool atom = false;          // Atom, else RSS 2.0
};

// The feed's head: the XML declaration and the channel's or feed's own elements.
std::u16string FeedHeader(const FeedSettings& settings, std::u16string_view docName,
                          const UtcTime& now);
std::u16string FeedFooter(bool atom);

// One page after another: StartPage, the page's items, EndPage.
class FeedPage {
public:
    FeedPage();
    FeedPage(const FeedPage&) = delete;
    FeedPage& operator=(const FeedPage&) = delete;

    // Empties the page and writes the entry's or item's head; index counts from 0.
    void StartPage(std::int64_t index, const FeedSettings& settings, std::u16string_view docName,
                   const UtcTime& now);
    // Throws std::bad_alloc.
    void AddItem(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::u16string_view text, std::u16string_view font);
    // The whole entry or item, every line followed by CR LF: its head, the page's lines (the
    // items of a line in reading order, each followed by a space), its end. Throws
    // std::bad_alloc.
    std::u16string EndPage();

private:
    PageItems page_;
    std::u16string head_;
    bool br_ = false;
    bool atom_ = false;
};
