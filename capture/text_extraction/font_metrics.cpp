#include "font_metrics.h"

#include <string.h>

std::u16string FaceFromMetrics(const void* metrics, uint32_t size, int32_t offset) {
    std::u16string face;
    if (!metrics || offset < 0)
        return face;
    const auto* bytes = static_cast<const unsigned char*>(metrics);
    for (size_t at = static_cast<size_t>(offset); at + sizeof(char16_t) <= size;
         at += sizeof(char16_t)) {
        char16_t c;
        memcpy(&c, bytes + at, sizeof c);
        if (c == 0 || face.size() == kMaxFaceChars)
            break;
        face.push_back(c);
    }
    return face;
}
