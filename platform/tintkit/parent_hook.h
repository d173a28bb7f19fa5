#pragma once
#include <windows.h>

namespace tintkit {
// Subclasses parent (once; later calls do nothing) so that the WM_CTLCOLOR* and WM_DRAWITEM
// messages of the library's controls go back to them before the parent's own procedure sees
// them. Everything else, the controls' notifications included, reaches the parent unchanged.
// The hook removes itself when the parent is destroyed.
bool HookParent(HWND parent);
} // namespace tintkit
