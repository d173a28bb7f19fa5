#pragma once
#include <cmath>
#include <cstdint>

// The format plug-ins' one rounding rule: the integer part of the value in double precision,
// plus 1 only when the fraction is strictly above 0.5 (so 106.5 gives 106). A negative value
// has a negative fraction and is never raised. Meant for values well inside +-2^62, which is
// all that page coordinates can give.
inline std::int64_t RoundHalfDown(double value) {
    double whole = 0;
    const double fraction = std::modf(value, &whole);
    return static_cast<std::int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
}

// numerator / denominator as a double quotient, rounded half down; denominator must not be 0.
inline std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) {
    return RoundHalfDown(static_cast<double>(numerator) / static_cast<double>(denominator));
}
