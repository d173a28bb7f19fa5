#include "page_player.h"

#include <math.h>

namespace {

// The vertical scale from the page's logical units to device pixels at the current record.
double VerticalScale(HDC dc) {
    POINT p[2] = {{0, 0}, {0, 10000}};
    LPtoDP(dc, p, 2);
    return fabs(static_cast<double>(p[1].y - p[0].y)) / 10000.0;
}

class MemoryContext {
public:
    MemoryContext() : dc_(CreateCompatibleDC(nullptr)) {
        // Drawing goes to one pixel: the records are played for their state, not their ink.
        if (dc_ && (bitmap_ = CreateCompatibleBitmap(dc_, 1, 1)))
            previous_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryContext() {
        if (previous_)
            SelectObject(dc_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryContext(const MemoryContext&) = delete;
    MemoryContext& operator=(const MemoryContext&) = delete;
    HDC Get() const { return previous_ ? dc_ : nullptr; }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

} // namespace

PagePlayer::PagePlayer(TextCallSink& sink, const PlayerOptions& options)
    : sink_(sink), options_(options) {}

PagePlayer::~PagePlayer() = default;

bool PagePlayer::Play(const std::vector<BYTE>& emf, LONG width, LONG height) {
    HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data());
    if (!metafile)
        return false;
    MemoryContext dc;
    bool played = false;
    if (dc.Get()) {
        const RECT page = {0, 0, width, height};
        played = EnumEnhMetaFile(dc.Get(), metafile, &PagePlayer::OnRecord, this, &page) != 0;
    }
    DeleteEnhMetaFile(metafile);
    return played;
}

int CALLBACK PagePlayer::OnRecord(HDC dc, HANDLETABLE* table, const ENHMETARECORD* record,
                                  int objects, LPARAM self) {
    auto* player = reinterpret_cast<PagePlayer*>(self);
    if (record->iType == EMR_EXTTEXTOUTW)
        player->OnText(dc, *record);
    PlayEnhMetaFileRecord(dc, table, record, objects);
    return 1;
}

DeviceFont* PagePlayer::FontFor(HDC dc) {
    LOGFONTW logical = {};
    if (!GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof logical, &logical))
        return nullptr;
    const double scale = VerticalScale(dc);
    std::wstring key(reinterpret_cast<const wchar_t*>(&logical), sizeof logical / sizeof(wchar_t));
    key += std::to_wstring(lround(scale * 1e6));
    auto found = fonts_.find(key);
    if (found != fonts_.end())
        return found->second.get();
    std::unique_ptr<DeviceFont> font = DeviceFont::Realise(
        logical, scale, next_font_id_++, options_.calls.faults, options_.lying_glyph_set);
    DeviceFont* realised = font.get();
    if (font)
        fonts_.emplace(std::move(key), std::move(font));
    return realised;
}

void PagePlayer::OnText(HDC dc, const ENHMETARECORD& record) {
    if (record.nSize < sizeof(EMREXTTEXTOUTW))
        return;
    DeviceFont* font = FontFor(dc);
    if (!font)
        return;
    TextCall call;
    if (!call.Build(dc, reinterpret_cast<const EMREXTTEXTOUTW&>(record), record.nSize, *font,
                    options_.calls))
        return;
    ++text_calls_;
    sink_.TextOut(call.Object(), font->Object());
}
