#include "print_job.h"

PrintJob::~PrintJob() {
    AbortDocument();
    if (dc_ && previousFont_)
        SelectObject(dc_.Get(), previousFont_);
    dc_.Reset();
}

bool PrintJob::CreateContext(const DEVMODEW* settings) {
    return dc_.Open(device_, settings);
}

BOOL CALLBACK PrintJob::AbortProc(HDC, int) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return TRUE;
}

bool PrintJob::InstallAbortProc() {
    return SetAbortProc(dc_.Get(), AbortProc) != SP_ERROR;
}

void PrintJob::UseTextMapping() {
    SetMapMode(dc_.Get(), MM_TEXT);
}

bool PrintJob::SelectFont(const JobFont& font) {
    // A face name the LOGFONT cannot hold whole would name another font.
    if (font.face.size() >= LF_FACESIZE)
        return false;
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(font.height, GetDeviceCaps(dc_.Get(), LOGPIXELSY), 72);
    logFont.lfWeight = font.weight;
    logFont.lfItalic = static_cast<BYTE>(font.italic);
    logFont.lfUnderline = static_cast<BYTE>(font.underline);
    logFont.lfStrikeOut = static_cast<BYTE>(font.strikeout);
    logFont.lfCharSet = static_cast<BYTE>(font.charset);
    logFont.lfOutPrecision = OUT_STROKE_PRECIS;
    logFont.lfClipPrecision = CLIP_STROKE_PRECIS;
    logFont.lfQuality = DRAFT_QUALITY;
    logFont.lfPitchAndFamily = FF_SWISS | FIXED_PITCH;
    font.face.copy(logFont.lfFaceName, LF_FACESIZE - 1);
    GdiObject<HFONT> made(CreateFontIndirectW(&logFont));
    if (!made)
        return false;
    HGDIOBJ previous = SelectObject(dc_.Get(), made.Get());
    if (!previous || previous == HGDI_ERROR)
        return false;
    if (!previousFont_)
        previousFont_ = previous;
    font_ = std::move(made);
    return true;
}

bool PrintJob::StartDocument() {
    const HDC dc = dc_.Get();
    const int offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    area_ = RECT{offsetX, offsetY, GetDeviceCaps(dc, HORZRES) - offsetX,
                 GetDeviceCaps(dc, VERTRES) - offsetY};
    DOCINFOW info{};
    info.cbSize = sizeof(info);
    info.lpszDocName = L"QLX";
    documentOpen_ = StartDocW(dc, &info) > 0;
    return documentOpen_;
}

PrintJob::PageFailure PrintJob::PrintPage(const wchar_t* text, int length) {
    const HDC dc = dc_.Get();
    if (!documentOpen_ || StartPage(dc) <= 0)
        return PageFailure::kStartPage;
    RECT area = area_;
    if (length > 0)
        DrawTextW(dc, text, length, &area, DT_NOPREFIX);
    return EndPage(dc) > 0 ? PageFailure::kNone : PageFailure::kEndPage;
}

bool PrintJob::EndDocument() {
    if (!documentOpen_)
        return false;
    documentOpen_ = false;
    return EndDoc(dc_.Get()) > 0;
}

void PrintJob::AbortDocument() {
    if (!documentOpen_)
        return;
    documentOpen_ = false;
    AbortDoc(dc_.Get());
}
