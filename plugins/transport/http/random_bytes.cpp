#include "random_bytes.h"

#include <windows.h>
#include <bcrypt.h>

bool FillRandom(unsigned char* bytes, size_t count) noexcept {
    return BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, static_cast<ULONG>(count),
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}
