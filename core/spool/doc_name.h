#pragma once
#include <windows.h>

#include "wstring.h"

// The document name of the job being opened, as file names and macros use it: the part after
// the last " - " (an application's "Editor - file" title), characters that file names cannot
// hold made underscores, the extension cut off, "Document" when nothing is left. Names longer
// than the 259 characters it keeps are cut. E_OUTOFMEMORY leaves document_name unchanged.
HRESULT SetDocName(const wchar_t* name, WString* document_name) noexcept;
