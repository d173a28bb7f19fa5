#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

// The spooler's EMF spool format ([MS-EMFSPOOL]) as the spooler writes it for a job: a
// header with the document name, then for every page a page content record holding the
// page's whole EMF followed by a page offset record pointing back at it. Little-endian;
// every record is padded to a multiple of 4 bytes.

constexpr uint32_t kEmfSpoolVersion = 0x00010000;
constexpr uint32_t kEmriMetafileData = 12; // a page's EMF
constexpr uint32_t kEmriMetafileExt = 13;  // the offset back to it

class EmfSpoolWriter {
public:
    explicit EmfSpoolWriter(std::u16string_view document, std::u16string_view output = {});

    // The page's EMF, as GetEnhMetaFileBits gives it.
    void AddPage(const uint8_t* emf, size_t size);
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t PageCount() const { return pages_; }

private:
    void PutU32(uint32_t value);
    void PutU64(uint64_t value);
    void PutText(std::u16string_view text);
    void Pad();

    std::vector<uint8_t> bytes_;
    size_t pages_ = 0;
};

// The pages of a spool file as a reader of the format finds them: records from the header's
// offset on, a page being a page content record with non-zero size whose data starts with an
// EMF header. Records that run past the end stop the walk. False when the header is not the
// format's.
struct SpoolPageSpan {
    size_t offset;
    size_t size;
};
bool FindSpoolPages(const uint8_t* bytes, size_t size, std::vector<SpoolPageSpan>* pages,
                    std::u16string* document);
