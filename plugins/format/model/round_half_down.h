#pragma once
#include <cstdint>

// The format plug-ins' one rounding rule: the integer part of the value in double precision,
// plus 1 only when the fraction is strictly above 0.5 (so 106.5 gives 106). A negative value
// has a negative fraction and is never raised. Meant for values well inside +-2^52, which is
// all that page coordinates can give.
inline std::int64_t RoundHalfDown(double value) {
    const auto whole = static_cast<std::int64_t>(value); // towards zero
    return whole + (value - static_cast<double>(whole) > 0.5 ? 1 : 0);
}

// RoundHalfDown(numerator / denominator) for a denominator above 0, in integers: the same
// result as the double quotient for any numerator inside +-2^52 (no double quotient of such
// numbers lies close enough to a half to round across it), and faster.
inline std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t whole = numerator / denominator; // towards zero
    const std::int64_t rest = numerator % denominator;  // takes the numerator's sign
    return whole + (rest > denominator - rest ? 1 : 0);
}
