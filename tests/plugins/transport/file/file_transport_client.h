#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "com_ptr.h"
#include "qlx_tplugin.h"

// The file transport as the core has it: created from the built library through its class
// object (no registry needed), its parameters put by name.

// A new instance from xfer_file.dll; null (with a test failure) when it cannot be made.
ComPtr<IQLX_TPLUGIN> CreateFileTransport();

HRESULT PutText(IQLX_TPLUGIN* plugin, const wchar_t* name, const std::wstring& value);
HRESULT PutLong(IQLX_TPLUGIN* plugin, const wchar_t* name, long value);
// A parameter's value as text ("#n" for a long), or "hr=..." when GetParam fails.
std::wstring GetText(IQLX_TPLUGIN* plugin, const wchar_t* name);

// The names of the files below folder, with their paths relative to it, in sorted order.
std::vector<std::wstring> FilesBelow(const std::wstring& folder);
// The whole file's bytes, or "<missing>".
std::string FileBytes(const std::wstring& path);
// UTF-16LE bytes of a text (the way the core gives pages in Unicode).
std::string Utf16Bytes(const std::wstring& text);
std::string Narrow(const std::wstring& text);
