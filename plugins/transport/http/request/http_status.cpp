#include "http_status.h"

long ParseStatusCode(const std::u16string& text) {
    if (text.empty() || text.size() > 3)
        return -1;
    long status = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        status = status * 10 + (c - u'0');
    }
    return status;
}
