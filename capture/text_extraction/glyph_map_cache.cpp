#include "glyph_map_cache.h"

#include <new>

const char16_t* GlyphMapCache::FindLocked(std::u16string_view face, uint8_t charset) const {
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].Matches(face, charset))
            return tables_[i].get();
    }
    return nullptr;
}

const char16_t* GlyphMapCache::Find(std::u16string_view face, uint8_t charset) const {
    std::lock_guard<std::mutex> guard(lock_);
    return FindLocked(face, charset);
}

const char16_t* GlyphMapCache::Add(std::u16string_view face, uint8_t charset, GlyphTable table) {
    if (!table)
        return nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    if (const char16_t* existing = FindLocked(face, charset))
        return existing;
    try {
        keys_.push_back({std::u16string(face), charset});
        try {
            tables_.push_back(std::move(table));
        } catch (...) {
            keys_.pop_back();
            throw;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return tables_.back().get();
}

void GlyphMapCache::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    keys_.clear();
    tables_.clear();
}

size_t GlyphMapCache::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return keys_.size();
}
