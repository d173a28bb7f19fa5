#include "devmode_check.h"

namespace devmode {

namespace {

unsigned Word(const unsigned char* bytes, size_t offset) {
    return bytes[offset] | (static_cast<unsigned>(bytes[offset + 1]) << 8);
}

} // namespace

std::u16string DeviceName(const unsigned char* bytes, size_t count) {
    if (!bytes || count < kMinSize)
        return {};
    const size_t size = Word(bytes, kSizeOffset);
    const size_t extra = Word(bytes, kDriverExtraOffset);
    if (size < kMinSize || size + extra > count)
        return {};
    // Read as bytes: the stored copy need not be aligned for 16-bit access.
    std::u16string name;
    for (size_t i = 0; i < kDeviceNameChars; ++i) {
        const char16_t c = static_cast<char16_t>(Word(bytes, 2 * i));
        if (c == u'\0')
            return name;
        name.push_back(c);
    }
    return {};
}

bool FitsDevice(const unsigned char* bytes, size_t count, std::u16string_view device) {
    const std::u16string name = DeviceName(bytes, count);
    if (name.empty())
        return false;
    return name == device.substr(0, kDeviceNameChars - 1);
}

} // namespace devmode
