#pragma once
#include <stdint.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "glyph_table.h"

// The glyph maps built so far, one per face name and character set, kept until the cache is
// cleared. Tables are never replaced or freed before that, so a pointer handed out stays
// valid; documents on several threads share the cache.

struct GlyphMapKey {
    std::u16string face;
    uint8_t charset = 0;

    bool Matches(std::u16string_view other_face, uint8_t other_charset) const {
        return charset == other_charset && face == other_face;
    }
};

class GlyphMapCache {
public:
    GlyphMapCache() = default;
    GlyphMapCache(const GlyphMapCache&) = delete;
    GlyphMapCache& operator=(const GlyphMapCache&) = delete;

    // The first table whose key has exactly this face name and character set; null if none.
    const char16_t* Find(std::u16string_view face, uint8_t charset) const;
    // Keeps table under the key and returns it; when the key has a table already (another
    // document built it meanwhile), that one is kept and returned, and table is dropped.
    // Null when the entry could not be stored.
    const char16_t* Add(std::u16string_view face, uint8_t charset, GlyphTable table);
    void Clear();
    size_t Count() const;

private:
    const char16_t* FindLocked(std::u16string_view face, uint8_t charset) const;

    mutable std::mutex lock_;
    std::vector<GlyphMapKey> keys_;  // key i ...
    std::vector<GlyphTable> tables_; // ... owns table i
};
