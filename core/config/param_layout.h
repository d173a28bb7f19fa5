#pragma once
#include <string>
#include <vector>

#include "cfg_value.h"

// A plug-in's parameter descriptor: comma-separated entries, each a type letter (L long,
// B string, E protected string, A byte array) followed by the name, e.g. "Burl,Epassword,Lput".
// Parsing stops at the first entry that does not begin with one of the letters, so a space
// after a comma or two commas in a row end the list; the entries before stay.
struct ParamLayout {
    struct Param {
        CfgKind kind;
        std::wstring name;
    };
    // In descriptor order; a name may occur twice (the later kind is meant to win).
    std::vector<Param> params;

    static ParamLayout Parse(const wchar_t* descriptor);
};
