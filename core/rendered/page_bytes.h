#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "page_conversion.h"

// Encodes with WideCharToMultiByte in the code page, without flags or a default character.
// False when the system refuses the code page or the text. Throws std::bad_alloc.
bool EncodeWithCodePage(uint32_t code_page, std::u16string_view text, std::vector<uint8_t>& bytes);

// The bytes of one rendered page as Item delivers them and ItemSize counts them, converted with
// the settings the caller took for the whole save. E_FAIL (logged) when the page cannot be
// converted, E_OUTOFMEMORY; bytes is empty then. Each call works in buffers of its own.
HRESULT ConvertPageBytes(const wchar_t* text, UINT length, const PageConversion& settings,
                         std::vector<uint8_t>* bytes) noexcept;

// The same bytes in a new one-dimensional VT_UI1 array with lower bound 0, for Item.
HRESULT ConvertPageArray(const wchar_t* text, UINT length, const PageConversion& settings,
                         SAFEARRAY** array) noexcept;
