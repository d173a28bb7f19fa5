#include "clipboard_session.h"

#include <cstring>

bool GlobalBlock::Fill(const void* data, size_t size) noexcept {
    Reset();
    block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size ? size : 1);
    if (!block_)
        return false;
    void* memory = GlobalLock(block_);
    if (!memory) {
        Reset();
        return false;
    }
    if (size)
        memcpy(memory, data, size);
    GlobalUnlock(block_);
    return true;
}

void GlobalBlock::Reset() noexcept {
    if (block_)
        GlobalFree(block_);
    block_ = nullptr;
}

bool ClipboardSession::OpenAndEmpty() noexcept {
    Close();
    if (!OpenClipboard(nullptr))
        return false;
    open_ = true;
    thread_ = GetCurrentThreadId();
    if (!EmptyClipboard()) {
        Close();
        return false;
    }
    return true;
}

bool ClipboardSession::HandOver(UINT format, GlobalBlock& block) noexcept {
    if (!open_ || !block.Get())
        return false;
    if (!SetClipboardData(format, block.Get()))
        return false;
    block.Release();
    return true;
}

void ClipboardSession::Close() noexcept {
    if (!open_)
        return;
    open_ = false;
    // Another thread's CloseClipboard would fail: the clipboard is its opener's.
    if (thread_ == GetCurrentThreadId())
        CloseClipboard();
}
