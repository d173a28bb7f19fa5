#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "output_path.h"

namespace {

using output_path::FileInFolder;

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (char16_t c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::string Shown(const std::optional<std::u16string>& path) {
    return path ? Narrow(*path) : "<none>";
}

const std::u16string kFolder = u"C:\\out";

TEST(FileInFolder, HostileNamesStayInsideTheFolder) {
    struct {
        std::u16string name;
        std::optional<std::u16string> path;
    } rows[] = {
        {u"a.txt", u"C:\\out\\a.txt"},
        {u"\\a.txt", u"C:\\out\\a.txt"},
        {u"sub\\a.txt", u"C:\\out\\sub\\a.txt"},
        {u"sub/a.txt", u"C:\\out\\sub\\a.txt"},
        {u"..\\..\\x", u"C:\\out\\x"},
        {u"../../x", u"C:\\out\\x"},
        {u"a\\..\\..\\..\\x.txt", u"C:\\out\\a\\x.txt"},
        {u". .\\.. \\x", u"C:\\out\\x"},
        {u"C:\\Windows\\x", u"C:\\out\\C_\\Windows\\x"},
        {u"\\\\server\\share\\x", u"C:\\out\\server\\share\\x"},
        {u"\\\\?\\C:\\x", u"C:\\out\\_\\C_\\x"},
        {u"a.txt:stream", u"C:\\out\\a.txt_stream"},
        {u"CON", u"C:\\out\\_CON"},
        {u"con.txt", u"C:\\out\\_con.txt"},
        {u"Nul .tar.gz", u"C:\\out\\_Nul .tar.gz"},
        {u"COM1", u"C:\\out\\_COM1"},
        {u"lpt9.txt", u"C:\\out\\_lpt9.txt"},
        {u"COM\u00B9", u"C:\\out\\_COM\u00B9"},
        {u"CONOUT$", u"C:\\out\\_CONOUT$"},
        {u"CON\\a.txt", u"C:\\out\\_CON\\a.txt"},
        {u"COM10", u"C:\\out\\COM10"},
        {u"CONSOLE.txt", u"C:\\out\\CONSOLE.txt"},
        {u"a<b>c\"d|e?f*g", u"C:\\out\\a_b_c_d_e_f_g"},
        {std::u16string(u"a\0b\tc", 5), u"C:\\out\\a_b_c"},
        {u"report. . .", u"C:\\out\\report"},
        {u"doc.", u"C:\\out\\doc"},
        {u" lead", u"C:\\out\\ lead"},
        {u"..", std::nullopt},
        {u"\\", std::nullopt},
        {u"", std::nullopt},
        {u" . ", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(FileInFolder(kFolder, row.name)), Shown(row.path)) << Narrow(row.name);
}

TEST(FileInFolder, TheFolderIsKeptAndJoinedWithOneBackslash) {
    struct {
        std::u16string folder;
        std::optional<std::u16string> path;
    } rows[] = {
        {u"C:\\out", u"C:\\out\\a.txt"},
        {u"C:\\", u"C:\\a.txt"},
        {u"C:/out/", u"C:/out/a.txt"},
        {u"\\\\server\\share", u"\\\\server\\share\\a.txt"},
        {u"C:\\a b\\..\\c", u"C:\\a b\\..\\c\\a.txt"},
        {u"", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Shown(FileInFolder(row.folder, u"a.txt")), Shown(row.path)) << Narrow(row.folder);
}

TEST(FileInFolder, LongNamesAreCutInTheMiddleToFit) {
    const std::u16string title(300, u't');
    // The whole path fits in 259 characters; the extension and the page number survive.
    const auto plain = FileInFolder(kFolder, title + u".txt");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->size(), output_path::kMaxPath);
    EXPECT_EQ(plain->substr(0, 7), u"C:\\out\\");
    EXPECT_EQ(plain->substr(plain->size() - 4), u".txt");

    const auto page7 = FileInFolder(kFolder, title + u" - 0007.txt");
    const auto page8 = FileInFolder(kFolder, title + u" - 0008.txt");
    ASSERT_TRUE(page7 && page8);
    EXPECT_EQ(page7->substr(page7->size() - 11), u" - 0007.txt");
    EXPECT_NE(*page7, *page8);
    const auto leading = FileInFolder(kFolder, u"0007 " + title + u".txt");
    ASSERT_TRUE(leading);
    EXPECT_EQ(leading->substr(7, 5), u"0007 ");

    // A folder part is held to 255 characters (here in a longer path than Windows' own limit);
    // a long extension is cut like the rest.
    const auto nested = FileInFolder(kFolder, title + u"\\a.txt", 1000);
    ASSERT_TRUE(nested);
    EXPECT_EQ(*nested, u"C:\\out\\" + std::u16string(255, u't') + u"\\a.txt");
    const auto longExtension = FileInFolder(kFolder, u"a." + title);
    ASSERT_TRUE(longExtension);
    EXPECT_EQ(longExtension->size(), output_path::kMaxPath);

    // A pair of surrogates is never cut in two.
    std::u16string emoji;
    for (int i = 0; i < 200; ++i)
        emoji += u"\U0001F600";
    const auto pairs = FileInFolder(kFolder, emoji);
    ASSERT_TRUE(pairs);
    for (size_t i = 7; i < pairs->size(); i += 2) {
        EXPECT_EQ((*pairs)[i], u'\xD83D') << i;
        EXPECT_EQ((*pairs)[i + 1], u'\xDE00') << i;
    }
}

TEST(FileInFolder, NothingWhenTheFolderLeavesNoRoom) {
    const std::u16string deep = u"C:\\" + std::u16string(255, u'd');
    EXPECT_FALSE(FileInFolder(deep, u"a.txt"));
    EXPECT_TRUE(FileInFolder(deep.substr(0, 250), u"abcdefghijklmnop.txt"));
    EXPECT_EQ(FileInFolder(deep.substr(0, 250), u"abcdefghijklmnop.txt")->size(),
              output_path::kMaxPath);
    EXPECT_FALSE(FileInFolder(u"C:\\" + std::u16string(300, u'd'), u"a"));
    EXPECT_FALSE(FileInFolder(kFolder, std::u16string(300, u's') + u"\\a.txt", 20));
}

TEST(WithoutFolder, TheFolderTextIsRemovedEverywhere) {
    struct {
        std::u16string path, folder, rest;
    } rows[] = {
        {u"C:\\out\\a.txt", u"C:\\out", u"\\a.txt"},
        {u"C:\\a.txt", u"C:\\", u"a.txt"},
        {u"C:\\out\\C:\\out.txt", u"C:\\out", u"\\.txt"},
        {u"C:\\out\\a.txt", u"", u"C:\\out\\a.txt"},
        {u"D:\\x\\a.txt", u"C:\\out", u"D:\\x\\a.txt"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(output_path::WithoutFolder(row.path, row.folder), row.rest) << Narrow(row.path);
}

} // namespace
