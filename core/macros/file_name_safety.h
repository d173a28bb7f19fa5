#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Replaces each of the characters " * / : < > ? \ | by an underscore.
void SanitizeFileName(std::u16string& text);

// The longest text that SafeFileNameComponent gives.
constexpr size_t kMaxFileNameComponent = 200;

// A text from outside (a document name, a client name) made fit to stand in one component of
// a file name: no path separators or other characters a file name cannot hold, no run of
// full stops, no trailing full stop or space (the system would drop them), not a device name
// (CON, NUL, COM1, ...: an underscore goes in front), at most kMaxFileNameComponent
// characters. A leading full stop stays (".profile").
std::u16string SafeFileNameComponent(std::u16string_view text);
