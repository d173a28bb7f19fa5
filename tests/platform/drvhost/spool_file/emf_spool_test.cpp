#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "emf_spool.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    memcpy(&v, b.data() + at, 4);
    return v;
}

// The smallest bytes a reader takes for an EMF: an EMR_HEADER with signature and version.
std::vector<uint8_t> FakeEmf(uint8_t fill, size_t size = 108) {
    std::vector<uint8_t> emf(size, fill);
    const uint32_t type = 1, signature = 0x464D4520, version = 0x00010000;
    memcpy(emf.data(), &type, 4);
    memcpy(emf.data() + 40, &signature, 4);
    memcpy(emf.data() + 44, &version, 4);
    return emf;
}

TEST(EmfSpool, HeaderNamesTheDocumentAndCountsItself) {
    EmfSpoolWriter writer(u"Report");
    const std::vector<uint8_t>& b = writer.Bytes();
    EXPECT_EQ(0x00010000u, U32(b, 0));
    EXPECT_EQ(b.size(), U32(b, 4));
    EXPECT_EQ(0u, U32(b, 4) % 4);
    EXPECT_EQ(16u, U32(b, 8));
    EXPECT_EQ(0u, U32(b, 12)) << "no output device";
    std::vector<SpoolPageSpan> pages;
    std::u16string document;
    ASSERT_TRUE(FindSpoolPages(b.data(), b.size(), &pages, &document));
    EXPECT_EQ(u"Report", document);
    EXPECT_TRUE(pages.empty());
}

TEST(EmfSpool, EveryPageIsAContentRecordFollowedByItsOffsetRecord) {
    EmfSpoolWriter writer(u"Two pages", u"Ne02:");
    const std::vector<uint8_t> first = FakeEmf(0x11), second = FakeEmf(0x22, 110);
    writer.AddPage(first.data(), first.size());
    writer.AddPage(second.data(), second.size());
    const std::vector<uint8_t>& b = writer.Bytes();
    EXPECT_EQ(0u, b.size() % 4);

    std::vector<SpoolPageSpan> pages;
    std::u16string document;
    ASSERT_TRUE(FindSpoolPages(b.data(), b.size(), &pages, &document));
    EXPECT_EQ(u"Two pages", document);
    ASSERT_EQ(2u, pages.size());
    EXPECT_EQ(0, memcmp(b.data() + pages[0].offset, first.data(), first.size()));
    EXPECT_EQ(0, memcmp(b.data() + pages[1].offset, second.data(), second.size()));
    EXPECT_EQ(112u, pages[1].size) << "the record is padded to 4 bytes";

    // The offset record right behind each page points back at its content record.
    for (const SpoolPageSpan& page : pages) {
        const size_t record = page.offset - 8;
        const size_t ext = page.offset + page.size;
        EXPECT_EQ(12u, U32(b, record));
        EXPECT_EQ(13u, U32(b, ext));
        EXPECT_EQ(8u, U32(b, ext + 4));
        EXPECT_EQ(ext - record, U32(b, ext + 8));
        EXPECT_EQ(0u, U32(b, ext + 12));
    }
}

TEST(EmfSpool, AReaderStopsAtATruncatedRecordAndRefusesOtherFormats) {
    EmfSpoolWriter writer(u"Doc");
    const std::vector<uint8_t> page = FakeEmf(0x33);
    writer.AddPage(page.data(), page.size());
    writer.AddPage(page.data(), page.size());
    std::vector<uint8_t> b = writer.Bytes();
    std::vector<SpoolPageSpan> pages;
    ASSERT_TRUE(FindSpoolPages(b.data(), b.size() - 20, &pages, nullptr));
    EXPECT_EQ(1u, pages.size());
    b[2] = 0; // the version
    EXPECT_FALSE(FindSpoolPages(b.data(), b.size(), &pages, nullptr));
    EXPECT_FALSE(FindSpoolPages(b.data(), 8, &pages, nullptr));
}

} // namespace
