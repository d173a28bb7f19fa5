#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Stored driver settings are a printer driver's whole DEVMODE kept as bytes: its public part of
// dmSize bytes, then dmDriverExtra bytes of the driver's own. They come back from a settings
// file or a client, so they are checked before a driver reads them.
namespace devmode {

// The public part's fields that the check reads (little-endian, as Windows stores them).
constexpr size_t kDeviceNameChars = 32;   // dmDeviceName: a NUL-ended name of at most 31
constexpr size_t kSizeOffset = 68;        // dmSize, 16 bits
constexpr size_t kDriverExtraOffset = 70; // dmDriverExtra, 16 bits
constexpr size_t kMinSize = 76;           // up to and including dmFields

// The device name the settings were made for, when the bytes have the shape of a DEVMODE: at
// least kMinSize bytes, a dmSize of at least kMinSize, dmSize + dmDriverExtra within the bytes
// and a terminated device name. Empty otherwise (a real one is never empty).
std::u16string DeviceName(const unsigned char* bytes, size_t count);

// True when the bytes are a DEVMODE made for device. The name field holds at most 31
// characters, so a driver keeps only the first 31 of a longer printer name: those are compared,
// exactly; a shorter name must match in full.
bool FitsDevice(const unsigned char* bytes, size_t count, std::u16string_view device);

} // namespace devmode
