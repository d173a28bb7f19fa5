#pragma once
#include <windows.h>

#include <cstddef>

// Global memory for the clipboard, freed with the holder unless the clipboard took it.
class GlobalBlock {
public:
    GlobalBlock() = default;
    ~GlobalBlock() { Reset(); }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;

    // A movable, shareable block of size bytes holding data; false when it cannot be had.
    bool Fill(const void* data, size_t size) noexcept;
    HGLOBAL Get() const { return block_; }
    HGLOBAL Release() noexcept {
        HGLOBAL block = block_;
        block_ = nullptr;
        return block;
    }
    void Reset() noexcept;

private:
    HGLOBAL block_ = nullptr;
};

// The clipboard, opened by the calling thread with no owner window and emptied, until Close
// (or the holder goes). Only the thread that opened it can close it.
class ClipboardSession {
public:
    ClipboardSession() = default;
    ~ClipboardSession() { Close(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;

    // Opens and empties it; false (and closed) when either fails. An earlier session of this
    // holder is closed first.
    bool OpenAndEmpty() noexcept;
    bool IsOpen() const { return open_; }
    // Gives the block to the clipboard in that format: true when the clipboard took it (the
    // block is then the clipboard's), false when it refused (the block stays the holder's).
    bool HandOver(UINT format, GlobalBlock& block) noexcept;
    void Close() noexcept;

private:
    bool open_ = false;
    DWORD thread_ = 0;
};
