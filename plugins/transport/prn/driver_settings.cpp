#include "driver_settings.h"

#include <algorithm>
#include <string_view>

#include "devmode_check.h"

std::vector<unsigned char> SettingsForDevice(const std::vector<unsigned char>& stored,
                                             const std::wstring& device) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
    const std::u16string_view name(reinterpret_cast<const char16_t*>(device.data()), device.size());
    if (!devmode::FitsDevice(stored.data(), stored.size(), name))
        return {};
    // An older, shorter DEVMODE is read by drivers as far as today's public part: the copy is
    // padded with zeros to that length.
    std::vector<unsigned char> usable(std::max(stored.size(), sizeof(DEVMODEW)));
    std::copy(stored.begin(), stored.end(), usable.begin());
    return usable;
}
