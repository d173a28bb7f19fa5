#pragma once
#include <string_view>

// True when the text is empty or holds only white space as the format plug-ins count it:
// U+0020, U+000D, U+000A, U+0009, U+00A0, U+000C, U+2000 to U+200B, U+2060 and U+3000.
bool IsBlankText(std::u16string_view text);
