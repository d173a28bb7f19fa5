#pragma once
#include <string>

// Base64 as RFC 4648 defines it: the standard alphabet, "=" padding to a multiple of four
// characters, no line breaks. An empty text gives an empty result.
std::string Base64Encode(const std::string& bytes);
