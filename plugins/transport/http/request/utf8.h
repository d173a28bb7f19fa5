#pragma once
#include <string>

// UTF-16 text as UTF-8 bytes. A lone surrogate, which stands for no character, becomes U+FFFD.
std::string ToUtf8(const std::u16string& text);
