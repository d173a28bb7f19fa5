#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "macro_resolver.h"

struct ExpandedText {
    std::u16string text;
    int32_t page_macros = 0; // page-number macros replaced, plain and with a width
};

// Replaces every macro of the vocabulary in input by its value, pass after pass in the
// vocabulary's order: the simple names (TERMINAL, DOCNAME, EXT, USER, MACHINE), then SYSFOLDER,
// PAGE, IDENTITY, JOB (left as they are while no job is processed), DATE and TIME. Macros are
// found in the input's own text only: a value put in by one pass is never scanned by a later
// one, and a macro never forms across a value. Unknown and badly formed macros stay.
//
// page counts from 1 (below 1 is accepted; the plain page macro is then empty). With
// file_name_times, date and time texts pass through SanitizeFileName. Document and client
// names always pass through SafeFileNameComponent: they come from outside and often form a
// file name. Throws std::bad_alloc.
ExpandedText ExpandMacros(std::u16string_view input, int32_t page, bool file_name_times,
                          MacroResolver& resolver);
