#pragma once
#include <string>

// The status of a server's answer from the status text WinINet gives: its decimal value, or -1
// when the text is not a number of one to three digits.
long ParseStatusCode(const std::u16string& text);

// An answer that stored the upload: 2xx only. A redirect (3xx) is not followed, so it stored
// nothing either.
inline bool IsSuccessStatus(long status) {
    return status >= 200 && status <= 299;
}

// A status a server can send (100 to 599); anything else means no valid answer came.
inline bool IsHttpStatus(long status) {
    return status >= 100 && status <= 599;
}
