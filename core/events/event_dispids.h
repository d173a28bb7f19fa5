#pragma once
#include <windows.h>

// Dispatch ids of the engine's outgoing event interface. 0 is never fired: a queued record
// with it stops the events thread.
enum EventDispid : DISPID {
    kEventStop = 0,
    kOnStartJob = 1,
    kOnError = 2,
    kOnPageRendered = 3,
    kOnAllPagesRendered = 4,
    kOnProgress = 5,
    kOnUnload = 6,
    kOnCancelJob = 7,
    kOnSavingEvent = 8,
    kOnPageSaving = 9,
    kOnAddRemovePrinter = 10,
    kOnSettingChanged = 11,
    kOnSettingChangeFailed = 12,
};

// OnError code for errors relayed from transport plug-ins; it has no message table entry.
constexpr long kPluginErrorCode = 256;
