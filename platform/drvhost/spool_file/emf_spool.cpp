#include "emf_spool.h"

#include <string.h>

namespace {

constexpr uint32_t kHeaderFixedBytes = 16;
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr size_t kEmfSignatureOffset = 40;
constexpr size_t kEmfVersionOffset = 44;

uint32_t ReadU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void WriteU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool IsEmfHeader(const uint8_t* data, size_t size) {
    return size >= kEmfVersionOffset + 4 && ReadU32(data) == kEmrHeader &&
           ReadU32(data + kEmfSignatureOffset) == kEmfSignature &&
           ReadU32(data + kEmfVersionOffset) == 0x00010000;
}

std::u16string ReadText(const uint8_t* bytes, size_t begin, size_t end) {
    std::u16string text;
    for (size_t at = begin; at + 2 <= end; at += 2) {
        const char16_t c = static_cast<char16_t>(bytes[at] | bytes[at + 1] << 8);
        if (!c)
            break;
        text.push_back(c);
    }
    return text;
}

} // namespace

EmfSpoolWriter::EmfSpoolWriter(std::u16string_view document, std::u16string_view output) {
    PutU32(kEmfSpoolVersion);
    PutU32(0); // the header's size, known at its end
    PutU32(kHeaderFixedBytes);
    PutU32(0); // the output's offset, when there is one
    PutText(document);
    if (!output.empty()) {
        WriteU32(bytes_.data() + 12, static_cast<uint32_t>(bytes_.size()));
        PutText(output);
    }
    Pad();
    WriteU32(bytes_.data() + 4, static_cast<uint32_t>(bytes_.size()));
}

void EmfSpoolWriter::AddPage(const uint8_t* emf, size_t size) {
    const size_t record = bytes_.size();
    const size_t padded = (size + 3) & ~size_t(3);
    PutU32(kEmriMetafileData);
    PutU32(static_cast<uint32_t>(padded));
    bytes_.insert(bytes_.end(), emf, emf + size);
    Pad();
    const size_t ext = bytes_.size();
    PutU32(kEmriMetafileExt);
    PutU32(8);
    PutU64(ext - record);
    ++pages_;
}

void EmfSpoolWriter::PutU32(uint32_t value) {
    uint8_t b[4];
    WriteU32(b, value);
    bytes_.insert(bytes_.end(), b, b + 4);
}

void EmfSpoolWriter::PutU64(uint64_t value) {
    PutU32(static_cast<uint32_t>(value));
    PutU32(static_cast<uint32_t>(value >> 32));
}

void EmfSpoolWriter::PutText(std::u16string_view text) {
    for (char16_t c : text) {
        bytes_.push_back(static_cast<uint8_t>(c));
        bytes_.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes_.push_back(0);
    bytes_.push_back(0);
}

void EmfSpoolWriter::Pad() {
    while (bytes_.size() % 4)
        bytes_.push_back(0);
}

bool FindSpoolPages(const uint8_t* bytes, size_t size, std::vector<SpoolPageSpan>* pages,
                    std::u16string* document) {
    pages->clear();
    if (size < kHeaderFixedBytes || ReadU32(bytes) != kEmfSpoolVersion)
        return false;
    const size_t header = ReadU32(bytes + 4);
    if (document) {
        const size_t name = ReadU32(bytes + 8);
        *document = name ? ReadText(bytes, name, header < size ? header : size) : u"";
    }
    for (size_t at = header; at + 8 <= size;) {
        const uint32_t type = ReadU32(bytes + at);
        const size_t data_size = ReadU32(bytes + at + 4);
        const size_t data = at + 8;
        if (data_size > size - data)
            break;
        if (type == kEmriMetafileData && data_size && IsEmfHeader(bytes + data, data_size))
            pages->push_back({data, data_size});
        at = data + ((data_size + 3) & ~size_t(3));
    }
    return true;
}
