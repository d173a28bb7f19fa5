#pragma once
#include <stdint.h>

// Little-endian fields at any offset of a message (strings start at odd offsets, so nothing
// is read through a wider pointer).

inline void PutU16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint16_t GetU16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t GetU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline int32_t GetI32(const uint8_t* at) {
    // Two's complement, as every platform of the system has it.
    return static_cast<int32_t>(GetU32(at));
}
