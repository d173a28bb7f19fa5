#pragma once
#include <windows.h>

#include "error_ids.h"
#include "wstring.h"

class EventPoster;

// The OnError code of a message id is the id minus this.
constexpr UINT kErrorCodeBase = 200;
// Source of the COM error information: the ProgID registered for the engine's class.
extern const wchar_t kErrorSource[];

// The message of an error id from the module's string table (empty for an id without text),
// followed by ": " and the detail when one is given (null means none).
WString ErrorMessage(UINT id, const wchar_t* detail, HINSTANCE module = nullptr);

// Reports an error of the engine: logs the message (source 'C', "ERROR"), posts OnError with
// the code id - 200, sets the calling thread's COM error information and returns E_FAIL, the
// result the failing method passes on to its client. The error information is set last, so a
// synchronous listener that calls into the engine from OnError can't overwrite it.
// module: where the string table is; null for the program itself.
HRESULT ReportError(UINT id, const wchar_t* detail, EventPoster& poster,
                    HINSTANCE module = nullptr) noexcept;
