#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ddi_types.h"
#include "document_log.h"
#include "document_output.h"
#include "glyph_map_cache.h"
#include "oem_plugin.h"

class DeviceRecord;

// One document on one device, from its start to its end. Everything it holds is its own and
// made anew at every document start: nothing of an earlier document, or of another device's,
// carries over.
class CapturedDocument {
public:
    // The job's information decides whether the document is captured; a document that is not
    // still runs to its end, sending nothing.
    static std::unique_ptr<CapturedDocument> Start(const DeviceRecord& device, const DEVOBJ* devobj,
                                                   const wchar_t* document_name, DWORD job_id);
    ~CapturedDocument();
    CapturedDocument(const CapturedDocument&) = delete;
    CapturedDocument& operator=(const CapturedDocument&) = delete;

    bool Captured() const { return output_ != nullptr; }
    void StartPage(LONG width, LONG height);
    void TextOut(STROBJ& string, FONTOBJ* font);
    void End(EndKind kind);

private:
    CapturedDocument() = default;
    void Open(const DeviceRecord& device, const DEVOBJ* devobj, const wchar_t* document_name,
              DWORD job_id);
    // The font's glyph map, built on first use; null when it can't be built.
    const char16_t* GlyphMap(const std::u16string& face, BYTE charset, FONTOBJ* font);
    HDC PrinterDc();

    DocumentLogHold log_;
    std::unique_ptr<DocumentOutput> output_;
    std::wstring printer_;
    HDC printer_dc_ = nullptr;
    bool printer_dc_failed_ = false;
    // Fonts whose map could not be built in this document: not tried again before its end.
    std::vector<GlyphMapKey> failed_maps_;
    bool ended_ = false;
};
