#include "blank_text.h"

namespace {

bool IsBlankUnit(char16_t unit) {
    switch (unit) {
    case u' ':
    case u'\r':
    case u'\n':
    case u'\t':
    case u'\u00A0':
    case u'\f':
    case u'\u2060':
    case u'\u3000':
        return true;
    default:
        return unit >= u'\u2000' && unit <= u'\u200B';
    }
}

} // namespace

bool IsBlankText(std::u16string_view text) {
    for (char16_t unit : text) {
        if (!IsBlankUnit(unit))
            return false;
    }
    return true;
}
