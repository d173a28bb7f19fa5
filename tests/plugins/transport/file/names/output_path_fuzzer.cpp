// Whatever a folder and an expanded name hold, the path found lies inside the folder: every part
// after it is a valid file name (no separator, no forbidden character, no trailing dot or
// space, no device name, at most 255 characters), and the whole fits the length asked for.
#include <cstddef>
#include <cstdint>
#include <string>

#include "output_path.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    // The first unit splits the rest into folder and name (low byte) and sets the length limit
    // (high byte).
    const size_t split = (text[0] & 0xFF) % text.size();
    const size_t maxPath = 8 + (text[0] >> 8) * 2;
    const std::u16string folder = text.substr(1, split);
    const std::u16string name = text.substr(1 + split);

    const auto path = output_path::FileInFolder(folder, name, maxPath);
    if (!path) {
        // A short plain name always finds its place in a folder that leaves room for it.
        bool plain = !name.empty() && name.size() <= 10;
        for (char16_t c : name)
            plain = plain && c >= u'a' && c <= u'z';
        Check(!plain || folder.empty() || folder.size() + 12 > maxPath);
        return 0;
    }
    Check(path->size() <= maxPath);
    Check(path->compare(0, folder.size(), folder) == 0);
    size_t at = folder.size();
    if (folder.back() != u'\\' && folder.back() != u'/') {
        Check((*path)[at] == u'\\');
        ++at;
    }
    const std::u16string rest = path->substr(at);
    Check(!rest.empty());
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find(u'\\', start);
        if (end == std::u16string::npos)
            end = rest.size();
        const std::u16string part = rest.substr(start, end - start);
        Check(!part.empty() && part.size() <= output_path::kMaxComponent);
        Check(part.find(u'/') == std::u16string::npos);
        Check(output_path::CleanPart(part) == part);
        Check(!output_path::IsDeviceName(part));
        start = end + 1;
    }
    return 0;
}
