// The printing application's side: prints a text or RTF file page by page into EMF pages, as
// a word processor prints to a printer, for the driver host to play.
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

#include "document_model.h"
#include "emf_pages.h"
#include "page_layout.h"

namespace {

const wchar_t kUsage[] =
    L"usage: qlx_printdoc [--font FACE] [--size POINTS] [--justify] [--glyph-indices]\n"
    L"         [--dpi N] DOCUMENT(.txt|.rtf) FOLDER\n"
    L"Writes FOLDER\\page001.emf ... and prints their paths, one a line.\n";

struct Options {
    DocumentDefaults defaults;
    PageGeometry geometry;
    bool glyph_indices = false;
    std::wstring input;
    std::wstring folder;
};

bool Parse(int argc, wchar_t** argv, Options* options) {
    std::vector<std::wstring> positional;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const wchar_t* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == L"--justify") {
            options->defaults.justify = true;
        } else if (arg == L"--glyph-indices") {
            options->glyph_indices = true;
        } else if (arg == L"--font" && next) {
            options->defaults.format.face = next;
            ++i;
        } else if (arg == L"--size" && next) {
            const long points = wcstol(next, nullptr, 10);
            if (points <= 0 || points > 500)
                return false;
            options->defaults.format.twips = points * 20;
            ++i;
        } else if (arg == L"--dpi" && next) {
            const long dpi = wcstol(next, nullptr, 10);
            if (dpi < 72 || dpi > 1200)
                return false;
            PageGeometry& g = options->geometry;
            g.width = dpi * 17 / 2;
            g.height = dpi * 11;
            g.margin = dpi;
            g.dpi = dpi;
            ++i;
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2)
        return false;
    options->input = positional[0];
    options->folder = positional[1];
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!Parse(argc, argv, &options)) {
        fwprintf(stderr, L"%ls", kUsage);
        return 2;
    }
    std::vector<Paragraph> paragraphs;
    std::wstring error;
    if (!LoadDocument(options.input, options.defaults, &paragraphs, &error)) {
        fwprintf(stderr, L"qlx_printdoc: %ls\n", error.c_str());
        return 1;
    }
    CreateDirectoryW(options.folder.c_str(), nullptr);
    PageFonts fonts(options.geometry.dpi);
    const std::vector<LaidOutPage> pages = LayOut(paragraphs, options.geometry, fonts);
    const std::vector<std::wstring> files =
        RecordPages(pages, options.geometry, fonts, options.glyph_indices, options.folder, &error);
    if (files.empty()) {
        fwprintf(stderr, L"qlx_printdoc: %ls\n", error.c_str());
        return 1;
    }
    for (const std::wstring& file : files)
        wprintf(L"%ls\n", file.c_str());
    return 0;
}
