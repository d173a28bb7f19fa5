#include "private_devmode.h"

#include <string.h>

#include <algorithm>

void SetOemDevModeDefault(OemDevMode* out) {
    out->size = kOemDevModeSize;
    out->signature = kOemSignature;
    out->version = kOemVersion;
}

void ConvertOemDevMode(const OemDevMode* in, OemDevMode* out) {
    if (!in || !out)
        return;
    if (in->signature == kOemSignature && out->signature == kOemSignature) {
        out->word = 0;
        // Both sizes come from the blocks themselves and may claim more than the block holds.
        const size_t bytes = std::min<size_t>({in->size, out->size, kOemDevModeSize});
        if (in != out)
            memmove(out, in, bytes);
    } else {
        out->signature = kOemSignature;
    }
    out->size = kOemDevModeSize;
    out->version = kOemVersion;
}
