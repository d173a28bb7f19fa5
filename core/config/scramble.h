#pragma once
#include "wstring.h"

// Protected strings are kept in the registry as a running-key substitution over printable ASCII,
// so that they do not show in plain text to someone browsing the registry. This hides; it does
// not encrypt. Characters outside the alphabet are copied unchanged; the length never changes.
void ScrambleString(WStringBase& out, const wchar_t* in);
void UnscrambleString(WStringBase& out, const wchar_t* in);
