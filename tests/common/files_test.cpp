#include <gtest/gtest.h>

#include <string>

#include "file_util.h"
#include "handle.h"
#include "safe_byte_array.h"
#include "temp_dir.h"

namespace {

bool IsDirectory(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(CreateDirectoryPath, MakesEveryDirectoryAboveTheLastElement) {
    TempDir dir;
    const std::wstring base = dir.Path();
    struct {
        std::wstring path;
        bool result;
        std::wstring made;    // must exist afterwards ("" for none)
        std::wstring notMade; // must not exist afterwards ("" for none)
    } cases[] = {
        {base + L"\\a\\b\\c\\page.emf", true, base + L"\\a\\b\\c", base + L"\\a\\b\\c\\page.emf"},
        {base + L"\\d\\e\\", true, base + L"\\d\\e", L""},
        {base + L"/f/g/file.txt", true, base + L"\\f\\g", L""},
        {base + L"\\a\\b\\again.emf", true, base + L"\\a\\b", L""},
        {L"c:\\x.emf", true, L"", L"c:\\x.emf"},
        {L"c:\\", true, L"", L""},
        {L"plain.txt", true, L"", L""},
        {L"\\\\server\\share\\x.txt", true, L"", L""},
        {L"\\\\server\\share\\", true, L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateDirectoryPath(c.path.c_str()), c.result) << c.path.c_str();
        if (!c.made.empty()) {
            EXPECT_TRUE(IsDirectory(c.made)) << c.made.c_str();
        }
        if (!c.notMade.empty()) {
            EXPECT_FALSE(FileExists(c.notMade)) << c.notMade.c_str();
        }
    }
}

TEST(CreateDirectoryPath, FailsWhenAFileStandsInTheWay) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File(L"blocker"), "x"));
    EXPECT_FALSE(CreateDirectoryPath((dir.File(L"blocker") + L"\\sub\\file").c_str()));
    EXPECT_FALSE(CreateDirectoryPath((dir.File(L"blocker") + L"\\file").c_str()));
}

TEST(SafeByteArray, CountsItsArray) {
    SafeByteArray holder;
    holder.Attach(SafeArrayCreateVector(VT_UI1, 0, 1));
    EXPECT_EQ(holder.Count(), 1u);
    holder.Attach(SafeArrayCreateVector(VT_UI1, 0, 0));
    EXPECT_EQ(holder.Count(), 0u);
    holder.Attach(SafeArrayCreateVector(VT_UI1, 5, 3));
    EXPECT_EQ(holder.Count(), 3u);

    SafeByteArray copy;
    EXPECT_TRUE(copy.CopyFrom(holder.Array()));
    EXPECT_EQ(copy.Count(), 3u);
    EXPECT_NE(copy.Array(), holder.Array());
    EXPECT_FALSE(copy.CopyFrom(nullptr));
    EXPECT_EQ(copy.Array(), nullptr);
    EXPECT_EQ(copy.Count(), 0u);
}

TEST(SafeByteArray, FileRoundTrip) {
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes.push_back(static_cast<char>(i * 7));
    ASSERT_TRUE(WriteWholeFile(dir.File(L"in.bin"), bytes));

    SafeByteArray holder;
    ASSERT_TRUE(holder.LoadFile(dir.File(L"in.bin").c_str()));
    EXPECT_EQ(holder.Count(), bytes.size());
    ASSERT_TRUE(holder.SaveFile(dir.File(L"out.bin").c_str()));
    std::string back;
    ASSERT_TRUE(ReadWholeFile(dir.File(L"out.bin"), &back));
    EXPECT_TRUE(back == bytes);
}

TEST(SafeByteArray, EmptyFileLoadsAsEmptyAndSavesAsEmpty) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File(L"empty"), ""));
    SafeByteArray holder;
    ASSERT_TRUE(holder.LoadFile(dir.File(L"empty").c_str()));
    EXPECT_EQ(holder.Count(), 0u);
    EXPECT_NE(holder.Array(), nullptr);
    ASSERT_TRUE(WriteWholeFile(dir.File(L"out"), "old contents"));
    ASSERT_TRUE(holder.SaveFile(dir.File(L"out").c_str()));
    std::string back = "sentinel";
    ASSERT_TRUE(ReadWholeFile(dir.File(L"out"), &back));
    EXPECT_EQ(back, "");
}

TEST(SafeByteArray, FailuresLeaveItEmpty) {
    TempDir dir;
    SafeByteArray holder;
    holder.Attach(SafeArrayCreateVector(VT_UI1, 0, 4));
    EXPECT_FALSE(holder.LoadFile(dir.File(L"missing").c_str()));
    EXPECT_EQ(holder.Array(), nullptr);
    EXPECT_EQ(holder.Count(), 0u);

    // A file nobody may read while it is open.
    ASSERT_TRUE(WriteWholeFile(dir.File(L"locked"), "data"));
    UniqueHandle lock(CreateFileW(dir.File(L"locked").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock.Valid());
    EXPECT_FALSE(holder.LoadFile(dir.File(L"locked").c_str()));
    EXPECT_EQ(holder.Count(), 0u);

    EXPECT_FALSE(holder.SaveFile(dir.File(L"never").c_str())) << "no array to save";
    holder.Attach(SafeArrayCreateVector(VT_UI1, 0, 2));
    EXPECT_FALSE(holder.SaveFile(dir.File(L"no\\such\\dir\\file").c_str()));
}

TEST(FileRoutines, ShortReadIsAFailure) {
    TempDir dir;
    ASSERT_TRUE(WriteWholeFile(dir.File(L"three"), "abc"));
    HANDLE file = OpenFileForRead(dir.File(L"three").c_str());
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    EXPECT_FALSE(ReadFromFile(file, buffer, 8));
    CloseFileHandle(file);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    CloseFileHandle(file); // closing twice is harmless
    HANDLE none = nullptr;
    CloseFileHandle(none);
    EXPECT_EQ(none, INVALID_HANDLE_VALUE);
}

} // namespace
