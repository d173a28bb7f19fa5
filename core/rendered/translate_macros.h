#pragma once
#include <windows.h>
#include <oleauto.h>

#include "macro_resolver.h"

// The work of IRenderedCollection::TranslateString: input (a null BSTR is empty) expanded for
// page, with file-name-safe dates and times when translate_flag is non-zero; the number of
// page macros replaced is added to *page_flag; the result is a new string in *output. Logs the
// input and the end. E_POINTER for a null page_flag or output, E_OUTOFMEMORY when memory runs
// out (nothing written then).
HRESULT TranslateMacros(BSTR input, LONG page, LONG translate_flag, LONG* page_flag,
                        MacroResolver& resolver, BSTR* output) noexcept;
