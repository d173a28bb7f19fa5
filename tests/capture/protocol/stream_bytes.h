#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "pipe_message.h"
#include "pipe_reader.h"

// Byte streams for the protocol's tests and fuzz targets.

using Bytes = std::vector<uint8_t>;

inline Bytes BytesOf(const PipeMessage& message) {
    return Bytes(message.bytes, message.bytes + message.size);
}

inline void Append(Bytes* stream, const Bytes& more) {
    stream->insert(stream->end(), more.begin(), more.end());
}

// Hands out a stream in pieces of at most chunk bytes (0: all at once), as a pipe may.
class ChunkedSource final : public ByteSource {
public:
    // Reads bytes that the caller keeps.
    ChunkedSource(const uint8_t* data, size_t size, size_t chunk)
        : data_(data), size_(size), chunk_(chunk) {}
    // Reads its own copy.
    explicit ChunkedSource(Bytes bytes, size_t chunk = 0)
        : owned_(std::move(bytes)), data_(owned_.data()), size_(owned_.size()), chunk_(chunk) {}
    ChunkedSource(const ChunkedSource&) = delete;
    ChunkedSource& operator=(const ChunkedSource&) = delete;

    size_t Read(uint8_t* buffer, size_t room) override {
        size_t count = size_ - at_;
        if (count > room)
            count = room;
        if (chunk_ != 0 && count > chunk_)
            count = chunk_;
        for (size_t i = 0; i < count; ++i)
            buffer[i] = data_[at_ + i];
        at_ += count;
        return count;
    }

private:
    Bytes owned_;
    const uint8_t* data_;
    size_t size_;
    size_t chunk_;
    size_t at_ = 0;
};
