// The request an upload builds from arbitrary URL paths and file names: the target stays one
// token of visible ASCII, the name stays one segment that decodes back to its UTF-8, the path
// before the query is kept, and a form value holds no control character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "request_target.h"
#include "url_encoding.h"
#include "utf8.h"

namespace {

void Check(bool condition) {
    if (!condition)
        abort();
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::string Decode(const std::u16string& segment) {
    std::string bytes;
    for (size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] == u'%') {
            Check(i + 2 < segment.size());
            const int high = HexValue(segment[i + 1]), low = HexValue(segment[i + 2]);
            Check(high >= 0 && low >= 0);
            bytes.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            Check(segment[i] < 0x80);
            bytes.push_back(static_cast<char>(segment[i]));
        }
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const size_t split = text.find(u'\0');
    const std::u16string path = text.substr(0, split);
    const std::u16string name = split == std::u16string::npos ? u"" : text.substr(split + 1);

    const std::u16string segment = EncodePathSegment(name);
    for (char16_t c : segment)
        Check(c > 0x20 && c < 0x7F && c != u'/' && c != u'?' && c != u'#');
    Check(segment != u"." && segment != u"..");
    Check(Decode(segment) == ToUtf8(name));

    for (bool put : {true, false}) {
        const std::u16string target = RequestTarget(path, name, put);
        for (char16_t c : target)
            Check(c > 0x20 && c < 0x7F && c != u'#');
        if (put) {
            const std::u16string pathPart = path.substr(0, path.find_first_of(u"?#"));
            const std::u16string kept = EncodeUnsafeTargetCharacters(pathPart);
            Check(target.compare(0, kept.size(), kept) == 0);
            const size_t at = kept.size() + (kept.empty() || kept.back() != u'/' ? 1 : 0);
            Check(target.compare(at, segment.size(), segment) == 0);
            const size_t after = at + segment.size();
            Check(after == target.size() || target[after] == u'?');
        }
    }

    for (char16_t c : EncodeFormValue(name))
        Check(c >= 0x20 && c != 0x7F);
    return 0;
}
