#include "feed_clock.h"

#include <windows.h>

UtcTime UtcNow() noexcept {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return UtcTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}
