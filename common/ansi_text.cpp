#include "ansi_text.h"

#include <climits>
#include <new>

void AppendAnsiText(const wchar_t* text, size_t length, std::string& out) {
    // WideCharToMultiByte counts in int: a longer text goes in pieces, never splitting a
    // surrogate pair.
    constexpr size_t kPiece = INT_MAX / 4;
    while (length > 0) {
        size_t piece = length < kPiece ? length : kPiece;
        if (piece < length && IS_HIGH_SURROGATE(text[piece - 1]))
            --piece;
        const int chars = static_cast<int>(piece);
        const int bytes = WideCharToMultiByte(CP_ACP, 0, text, chars, nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            const size_t at = out.size();
            out.resize(at + static_cast<size_t>(bytes));
            const int written =
                WideCharToMultiByte(CP_ACP, 0, text, chars, &out[at], bytes, nullptr, nullptr);
            out.resize(at + static_cast<size_t>(written > 0 ? written : 0));
        }
        text += piece;
        length -= piece;
    }
}

std::string ToAnsiText(const wchar_t* text, size_t length) {
    std::string out;
    AppendAnsiText(text, length, out);
    return out;
}
