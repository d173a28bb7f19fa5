#include "printer_catalog.h"

#include <winspool.h>

#include <algorithm>

#include "printer_query.h"

std::vector<std::wstring> ListPrinters() {
    std::vector<std::wstring> names;
    std::vector<BYTE> buffer;
    DWORD count = 0;
    if (FAILED(EnumerateLocalPrinters(4, &buffer, &count)))
        return names;
    const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        names.push_back(info[i].pPrinterName ? info[i].pPrinterName : L"");
    return names;
}

bool PrinterDc::Open(const std::wstring& device, const DEVMODEW* settings) noexcept {
    Reset();
    dc_ = CreateDCW(L"WINSPOOL", device.c_str(), nullptr, settings);
    return dc_ != nullptr;
}

void PrinterDc::Reset() noexcept {
    if (dc_) {
        DeleteDC(dc_);
        dc_ = nullptr;
    }
}

namespace {

// The enumeration's LOGFONT: every character set, the face given (all faces for none).
LOGFONTW FontQuery(const std::wstring& face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    face.copy(query.lfFaceName, LF_FACESIZE - 1);
    return query;
}

int CALLBACK AddFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
    auto* faces = reinterpret_cast<std::vector<std::wstring>*>(list);
    const std::wstring face = font->lfFaceName;
    try {
        if (std::find(faces->begin(), faces->end(), face) == faces->end())
            faces->push_back(face);
    } catch (...) {
        // The list keeps what it had; the enumeration goes on.
    }
    return 1;
}

int CALLBACK AddCharset(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list) {
    auto* charsets = reinterpret_cast<std::vector<CharsetChoice>*>(list);
    const auto* full = reinterpret_cast<const ENUMLOGFONTEXW*>(font);
    const long value = font->lfCharSet;
    const bool known =
        std::any_of(charsets->begin(), charsets->end(),
                    [value](const CharsetChoice& choice) { return choice.value == value; });
    try {
        if (!known)
            charsets->push_back({full->elfScript, value});
    } catch (...) {
    }
    return 1;
}

} // namespace

std::vector<std::wstring> ListFontFaces(const std::wstring& device) {
    std::vector<std::wstring> faces;
    PrinterDc dc(device, nullptr);
    if (!dc)
        return faces;
    LOGFONTW query = FontQuery(L"");
    EnumFontFamiliesExW(dc.Get(), &query, AddFace, reinterpret_cast<LPARAM>(&faces), 0);
    return faces;
}

std::vector<CharsetChoice> ListFontCharsets(const std::wstring& device, const std::wstring& face) {
    std::vector<CharsetChoice> charsets;
    PrinterDc dc(device, nullptr);
    if (!dc)
        return charsets;
    LOGFONTW query = FontQuery(face);
    EnumFontFamiliesExW(dc.Get(), &query, AddCharset, reinterpret_cast<LPARAM>(&charsets), 0);
    return charsets;
}
