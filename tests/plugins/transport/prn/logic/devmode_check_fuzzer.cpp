// Stored driver settings come from files and clients: any bytes must be judged without reading
// past them. The first two bytes choose how many characters of a device name to compare.
#include <cstddef>
#include <cstdint>
#include <string>

#include "devmode_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t nameLength = data[0] % 40;
    std::u16string device;
    for (size_t i = 0; i < nameLength; ++i)
        device.push_back(static_cast<char16_t>(u'A' + (data[1] + i) % 26));
    const std::u16string name = devmode::DeviceName(data + 2, size - 2);
    const bool fits = devmode::FitsDevice(data + 2, size - 2, device);
    // Whatever fits has a name, and the name is what was compared.
    if (fits && (name.empty() || name != device.substr(0, 31)))
        __builtin_trap();
    return 0;
}
