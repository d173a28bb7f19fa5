#pragma once
#include <stdlib.h>

// One owned heap block, freed when the holder goes or is reset.
class HeapBuffer {
public:
    HeapBuffer() = default;
    ~HeapBuffer() { Reset(); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;

    // Replaces the block by a new one of size bytes; null (and nothing held) when out of memory.
    void* Allocate(size_t size) {
        Reset();
        block_ = malloc(size ? size : 1);
        size_ = block_ ? size : 0;
        return block_;
    }
    void Reset() {
        free(block_);
        block_ = nullptr;
        size_ = 0;
    }
    void* Get() const { return block_; }
    size_t Size() const { return size_; }

private:
    void* block_ = nullptr;
    size_t size_ = 0;
};
