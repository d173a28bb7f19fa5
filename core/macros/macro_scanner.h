#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

// The forms a macro takes: "{{NAME}}" (plain) and "{{NAME(argument)}}".
struct MacroForm {
    std::u16string_view opening; // "{{" and the name
    bool plain;
    bool with_argument;
};

// The longest argument read; a longer one leaves its macro badly formed.
constexpr size_t kMaxMacroArgument = 256;

// One well-formed macro found in a text: where it begins and ends, and its argument.
struct ScannedMacro {
    size_t begin;
    size_t end;
    std::optional<std::u16string_view> argument; // a view into the scanned text
};

// The first well-formed occurrence of form at or after from. The argument is what stands
// between "(" and the first ")" (at most kMaxMacroArgument characters) and must be followed by
// ")}}". A badly formed occurrence stays and the search goes on after its opening, or after
// its argument when it has one, so the scan always moves forward.
std::optional<ScannedMacro> FindMacro(std::u16string_view text, size_t from, const MacroForm& form);
