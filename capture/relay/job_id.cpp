#include "job_id.h"

#include <stdint.h>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

} // namespace

bool HasArguments(const wchar_t* commandLine) {
    if (!commandLine)
        return false;
    while (IsBlank(*commandLine))
        ++commandLine;
    return *commandLine != L'\0';
}

long ParseJobId(const wchar_t* commandLine) {
    if (!commandLine)
        return 0;
    const wchar_t* at = commandLine;
    while (IsBlank(*at))
        ++at;
    const bool negative = *at == L'-';
    if (*at == L'-' || *at == L'+')
        ++at;
    constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
    int64_t value = 0;
    for (; *at >= L'0' && *at <= L'9'; ++at) {
        value = value * 10 + (*at - L'0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<long>(-value);
    return static_cast<long>(value > INT32_MAX ? INT32_MAX : value);
}
