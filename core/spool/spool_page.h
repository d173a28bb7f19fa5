#pragma once
#include <stdint.h>

#include <atomic>
#include <memory>

#include "ptr_array.h"
#include "text_item.h"
#include "wstring.h"

// One captured page, owned by its job. Items are appended only while the page is incomplete;
// once complete it no longer changes and may be read without a lock.
class SpoolPage {
public:
    SpoolPage(int32_t width, int32_t height) : width(width), height(height) {}
    ~SpoolPage() { Clear(); }
    SpoolPage(const SpoolPage&) = delete;
    SpoolPage& operator=(const SpoolPage&) = delete;

    // Takes the item; false (item freed) when the array cannot grow.
    bool AddItem(std::unique_ptr<TextItem> item) noexcept;
    // Frees every item.
    void Clear() noexcept;

    unsigned ItemCount() const { return items_.Count(); }
    const TextItem* Item(unsigned index) const { return items_.As<TextItem>(index); }

    // Complete once the next page started or the job ended; the release/acquire pair hands
    // the finished items over to the job thread.
    void MarkComplete() noexcept { complete_.store(true, std::memory_order_release); }
    bool IsComplete() const noexcept { return complete_.load(std::memory_order_acquire); }

    const int32_t width;
    const int32_t height;
    // The EMF file that replaces the page's spooled picture; empty when none.
    WString emf_file;

private:
    PtrArray items_;
    std::atomic<bool> complete_{false};
};
