#pragma once
#include <windows.h>

#include "oem_ui.h"

// The About page of the printer's document property sheets, and the property-sheet callback
// that adds it. S_OK, or E_FAIL with the last error ERROR_INVALID_PARAMETER for information of
// another version or a reason whose data is missing.
HRESULT AboutPageSheetCallback(PPROPSHEETUI_INFO info, LPARAM param);

// The page's dialog procedure.
INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
