#pragma once
#include <windows.h>

#include <string>
#include <vector>

// A document as the rich-edit control reads it: paragraphs of runs that share one character
// format. Plain text gets the default format; RTF brings its own.

struct CharFormat {
    std::wstring face;
    LONG twips = 240; // the font's height
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const CharFormat& other) const {
        return face == other.face && twips == other.twips && bold == other.bold &&
               italic == other.italic && underline == other.underline;
    }
};

struct StyledRun {
    CharFormat format;
    std::wstring text;
};

enum class Alignment { kLeft, kRight, kCenter, kJustify };

struct Paragraph {
    std::vector<StyledRun> runs;
    Alignment alignment = Alignment::kLeft;
    LONG left_indent = 0; // twips
    LONG right_indent = 0;
    LONG first_indent = 0; // relative to left_indent
    LONG space_after = 0;
    std::vector<LONG> tabs; // twips from the left margin
};

struct DocumentDefaults {
    CharFormat format = {L"DejaVu Serif", 240, false, false, false};
    bool justify = false; // plain text only: justify every paragraph
};

// Reads a text file (UTF-8, UTF-16 with its mark, or the system's code page) or an RTF file
// (by its content) into paragraphs; false with a message in *error.
bool LoadDocument(const std::wstring& path, const DocumentDefaults& defaults,
                  std::vector<Paragraph>* paragraphs, std::wstring* error);
