#pragma once
#include <windows.h>

// Starts the user-interface program named by the machine-wide CurrentUI value, with
// "/FromCore" and its own folder as working folder. E_FAIL (logged) when the value is empty or
// the program could not be started; the caller goes on without a user interface.
HRESULT ui_loader();
