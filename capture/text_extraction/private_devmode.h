#pragma once
#include <stddef.h>
#include <stdint.h>

// The rendering module's private device mode: the plug-in header (size, signature, version)
// and one word carried along without meaning.
struct OemDevMode {
    uint32_t size;
    uint32_t signature;
    uint32_t version;
    uint32_t word;
};
static_assert(sizeof(OemDevMode) == 16, "the private block is 16 bytes");

constexpr uint32_t kOemSignature = 0x51584C54; // 'QXLT'
constexpr uint32_t kOemVersion = 6;
constexpr uint32_t kOemDevModeSize = sizeof(OemDevMode);

// Makes out the module's default: its size, signature and version (the word is kept).
void SetOemDevModeDefault(OemDevMode* out);

// Carries a private device mode over into out. When both carry the module's signature, the
// output's word is cleared and then the input is copied over it for as many bytes as both
// headers claim, never more than the block; otherwise the output gets the signature. Either
// way the output ends with the block's size and version 6. Nothing when either is missing.
void ConvertOemDevMode(const OemDevMode* in, OemDevMode* out);
