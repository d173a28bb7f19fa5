#pragma once
#include "feed_time.h"

// The system clock's time now, in UTC and in the Gregorian calendar (never the user's locale
// or calendar).
UtcTime UtcNow() noexcept;
