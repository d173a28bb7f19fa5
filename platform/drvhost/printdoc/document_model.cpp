#include "document_model.h"

#include <richedit.h>

#include "file_util.h"
#include "handle.h"

namespace {

bool ReadAll(const std::wstring& path, std::string* bytes) {
    UniqueHandle file(OpenFileForRead(path.c_str()));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (16 << 20))
        return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    return bytes->empty() ||
           ReadFromFile(file.Get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()));
}

std::wstring Decode(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / 2);
    size_t skip = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const char* text = bytes.data() + skip;
    const int length = static_cast<int>(bytes.size() - skip);
    UINT codepage = CP_UTF8;
    int chars = MultiByteToWideChar(codepage, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (chars <= 0 && length > 0) {
        codepage = CP_ACP;
        chars = MultiByteToWideChar(codepage, 0, text, length, nullptr, 0);
    }
    std::wstring decoded(chars > 0 ? chars : 0, L'\0');
    if (chars > 0)
        MultiByteToWideChar(codepage, 0, text, length, &decoded[0], chars);
    return decoded;
}

struct StreamSource {
    const std::string* bytes;
    size_t at;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG room, LONG* read) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const size_t left = source->bytes->size() - source->at;
    const size_t count = left < static_cast<size_t>(room) ? left : static_cast<size_t>(room);
    memcpy(buffer, source->bytes->data() + source->at, count);
    source->at += count;
    *read = static_cast<LONG>(count);
    return 0;
}

class RichEdit {
public:
    RichEdit() {
        library_ = LoadLibraryW(L"riched20.dll");
        window_ = CreateWindowExW(0, RICHEDIT_CLASSW, L"", ES_MULTILINE | WS_POPUP, 0, 0, 100, 100,
                                  nullptr, nullptr, nullptr, nullptr);
        if (window_)
            SendMessageW(window_, EM_EXLIMITTEXT, 0, 64 << 20);
    }
    ~RichEdit() {
        if (window_)
            DestroyWindow(window_);
        if (library_)
            FreeLibrary(library_);
    }
    RichEdit(const RichEdit&) = delete;
    RichEdit& operator=(const RichEdit&) = delete;

    HWND Window() const { return window_; }
    LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return SendMessageW(window_, message, w, l);
    }

private:
    HMODULE library_ = nullptr;
    HWND window_ = nullptr;
};

void SetDefaultFormat(const RichEdit& edit, const CharFormat& format) {
    CHARFORMAT2W cf = {};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
    format.face.copy(cf.szFaceName, LF_FACESIZE - 1);
    cf.yHeight = format.twips;
    edit.Send(EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    edit.Send(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
}

std::wstring AllText(const RichEdit& edit) {
    GETTEXTLENGTHEX length = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT chars = edit.Send(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length));
    std::wstring text(chars > 0 ? chars + 1 : 1, L'\0');
    GETTEXTEX get = {static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                     nullptr};
    const LRESULT got =
        edit.Send(EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(got > 0 ? got : 0);
    return text;
}

CharFormat FormatAt(const RichEdit& edit, LONG at) {
    CHARRANGE range = {at, at + 1};
    edit.Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W cf = {};
    cf.cbSize = sizeof cf;
    edit.Send(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    CharFormat format;
    format.face = cf.szFaceName;
    format.twips = cf.yHeight > 0 ? cf.yHeight : 240;
    format.bold = (cf.dwEffects & CFE_BOLD) != 0;
    format.italic = (cf.dwEffects & CFE_ITALIC) != 0;
    format.underline = (cf.dwEffects & CFE_UNDERLINE) != 0;
    return format;
}

void ReadParagraphFormat(const RichEdit& edit, LONG at, Paragraph* paragraph) {
    CHARRANGE range = {at, at};
    edit.Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    PARAFORMAT2 pf = {};
    pf.cbSize = sizeof pf;
    edit.Send(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    switch (pf.wAlignment) {
    case PFA_RIGHT:
        paragraph->alignment = Alignment::kRight;
        break;
    case PFA_CENTER:
        paragraph->alignment = Alignment::kCenter;
        break;
    case PFA_JUSTIFY:
        paragraph->alignment = Alignment::kJustify;
        break;
    default:
        paragraph->alignment = Alignment::kLeft;
    }
    // dxStartIndent is the first line's indent, dxOffset the others' relative to it.
    paragraph->left_indent = pf.dxStartIndent + pf.dxOffset;
    paragraph->first_indent = -pf.dxOffset;
    paragraph->right_indent = pf.dxRightIndent;
    paragraph->space_after = pf.dySpaceAfter;
    for (SHORT i = 0; i < pf.cTabCount && i < MAX_TAB_STOPS; ++i)
        paragraph->tabs.push_back(pf.rgxTabs[i] & 0x00FFFFFF);
}

void AddChar(Paragraph* paragraph, const CharFormat& format, wchar_t c) {
    if (paragraph->runs.empty() || !(paragraph->runs.back().format == format))
        paragraph->runs.push_back({format, L""});
    paragraph->runs.back().text.push_back(c);
}

} // namespace

bool LoadDocument(const std::wstring& path, const DocumentDefaults& defaults,
                  std::vector<Paragraph>* paragraphs, std::wstring* error) {
    std::string bytes;
    if (!ReadAll(path, &bytes)) {
        *error = L"cannot read " + path;
        return false;
    }
    RichEdit edit;
    if (!edit.Window()) {
        *error = L"no rich-edit control";
        return false;
    }
    SetDefaultFormat(edit, defaults.format);
    const bool rtf = bytes.compare(0, 5, "{\\rtf") == 0;
    if (rtf) {
        StreamSource source = {&bytes, 0};
        EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&source), 0, &ReadStream};
        edit.Send(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    } else {
        const std::wstring text = Decode(bytes);
        SETTEXTEX set = {ST_DEFAULT, 1200};
        edit.Send(EM_SETTEXTEX, reinterpret_cast<WPARAM>(&set),
                  reinterpret_cast<LPARAM>(text.c_str()));
        SetDefaultFormat(edit, defaults.format);
    }

    const std::wstring text = AllText(edit);
    paragraphs->clear();
    paragraphs->emplace_back();
    ReadParagraphFormat(edit, 0, &paragraphs->back());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i;
            paragraphs->emplace_back();
            ReadParagraphFormat(edit, static_cast<LONG>(i + 1), &paragraphs->back());
            continue;
        }
        AddChar(&paragraphs->back(), FormatAt(edit, static_cast<LONG>(i)), c);
    }
    // The control ends every text with a paragraph mark.
    if (paragraphs->size() > 1 && paragraphs->back().runs.empty())
        paragraphs->pop_back();
    if (!rtf && defaults.justify) {
        for (Paragraph& paragraph : *paragraphs)
            paragraph.alignment = Alignment::kJustify;
    }
    return true;
}
