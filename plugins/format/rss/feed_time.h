#pragma once
#include <string>

// A moment in UTC in the Gregorian calendar, as the system clock gives it (whatever calendar
// the user's locale shows).
struct UtcTime {
    int year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The date-time of an Atom feed (RFC 3339, UTC): "2026-01-31T14:05:09Z". A field outside its
// range is clamped to it, so the text always has the form a reader expects.
std::u16string Rfc3339(const UtcTime& time);
