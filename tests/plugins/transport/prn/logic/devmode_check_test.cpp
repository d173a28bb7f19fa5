#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devmode_check.h"

namespace {

// A DEVMODE's bytes as a driver makes them: the name in its 32-character field, dmSize and
// dmDriverExtra, then count bytes in all.
std::vector<unsigned char> DevMode(const std::u16string& name, unsigned size, unsigned extra,
                                   size_t count) {
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < name.size() && 2 * i + 1 < count; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(name[i] & 0xff);
        bytes[2 * i + 1] = static_cast<unsigned char>(name[i] >> 8);
    }
    auto word = [&](size_t at, unsigned value) {
        if (at + 1 < count) {
            bytes[at] = static_cast<unsigned char>(value & 0xff);
            bytes[at + 1] = static_cast<unsigned char>(value >> 8);
        }
    };
    word(devmode::kSizeOffset, size);
    word(devmode::kDriverExtraOffset, extra);
    return bytes;
}

std::string Narrow(const std::u16string& text) {
    return std::string(text.begin(), text.end());
}

TEST(DevModeCheck, TheShapeOfTheBytesDecidesBeforeTheName) {
    const std::u16string printer = u"Office Laser";
    struct Row {
        const char* row;
        std::vector<unsigned char> bytes;
        bool fits;
    } rows[] = {
        {"a whole DEVMODE", DevMode(printer, 220, 0, 220), true},
        {"with the driver's own part", DevMode(printer, 220, 1000, 1220), true},
        {"bytes after the DEVMODE", DevMode(printer, 220, 8, 300), true},
        {"the oldest public part", DevMode(printer, 76, 0, 76), true},
        {"empty", {}, false},
        {"shorter than the fields read", DevMode(printer, 220, 0, 75), false},
        {"dmSize below the fields read", DevMode(printer, 60, 0, 220), false},
        {"dmSize past the bytes", DevMode(printer, 221, 0, 220), false},
        {"driver part past the bytes", DevMode(printer, 220, 1, 220), false},
        {"largest sizes wrap nothing", DevMode(printer, 0xffff, 0xffff, 220), false},
        {"no name", DevMode(u"", 220, 0, 220), false},
        {"name without its terminator", DevMode(std::u16string(32, u'A'), 220, 0, 220), false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(devmode::FitsDevice(row.bytes.data(), row.bytes.size(), printer), row.fits)
            << row.row;
    EXPECT_FALSE(devmode::FitsDevice(nullptr, 220, printer));
}

TEST(DevModeCheck, NamesCompareExactlyAsFarAsTheFieldHoldsThem) {
    const std::u16string long31(31, u'x');
    const std::u16string longName = u"Accounting floor two colour laser printer";
    const std::u16string cut = longName.substr(0, 31);
    struct Row {
        const char* row;
        std::u16string stored, device;
        bool fits;
    } rows[] = {
        {"same name", u"Office Laser", u"Office Laser", true},
        {"another printer", u"Office Laser", u"Office Inkjet", false},
        {"case differs", u"Office Laser", u"office laser", false},
        {"a prefix of the device", u"Office", u"Office Laser", false},
        {"the device a prefix of it", u"Office Laser", u"Office", false},
        {"31 characters, in full", long31, long31, true},
        {"a longer device: its first 31", cut, longName, true},
        {"a longer device: other 31", std::u16string(31, u'A'), longName, false},
        {"a longer device: fewer kept", cut.substr(0, 30), longName, false},
        {"empty device", u"Office Laser", u"", false},
    };
    for (const Row& row : rows) {
        const auto bytes = DevMode(row.stored, 220, 0, 220);
        EXPECT_EQ(devmode::FitsDevice(bytes.data(), bytes.size(), row.device), row.fits)
            << row.row << ": stored " << Narrow(row.stored) << ", device " << Narrow(row.device);
    }
    const auto bytes = DevMode(cut, 220, 0, 220);
    EXPECT_EQ(devmode::DeviceName(bytes.data(), bytes.size()), cut);
}

} // namespace
