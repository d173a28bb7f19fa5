#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "device_font.h"
#include "text_call.h"

// What a played page's text calls go to (the device's text hook).
class TextCallSink {
public:
    virtual void TextOut(STROBJ* string, FONTOBJ* font) = 0;

protected:
    ~TextCallSink() = default;
};

struct PlayerOptions {
    TextCallOptions calls;
    bool lying_glyph_set = false;
};

// Plays EMF pages on a device of the page's size in pixels: every record through GDI, and
// each EMR_EXTTEXTOUTW record also as one text-output call with what GDI realised for it.
class PagePlayer {
public:
    PagePlayer(TextCallSink& sink, const PlayerOptions& options);
    ~PagePlayer();
    PagePlayer(const PagePlayer&) = delete;
    PagePlayer& operator=(const PagePlayer&) = delete;

    // False when the bytes are no EMF or the context can't be made.
    bool Play(const std::vector<BYTE>& emf, LONG width, LONG height);
    size_t TextCalls() const { return text_calls_; }

private:
    static int CALLBACK OnRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record,
                                 int objects, LPARAM self);
    void OnText(HDC dc, const ENHMETARECORD& record);
    DeviceFont* FontFor(HDC dc);

    TextCallSink& sink_;
    PlayerOptions options_;
    std::map<std::wstring, std::unique_ptr<DeviceFont>> fonts_;
    ULONG next_font_id_ = 1;
    size_t text_calls_ = 0;
};
