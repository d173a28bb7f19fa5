#include "shell_folders.h"

namespace {

struct ShellFolderName {
    std::u16string_view name;
    int csidl;
};

// In the order in which the names are searched.
constexpr ShellFolderName kShellFolders[] = {
    {u"DESKTOP", 0},
    {u"PROGRAMS", 2},
    {u"PERSONAL", 5},
    {u"FAVORITES", 6},
    {u"STARTUP", 7},
    {u"RECENT", 8},
    {u"SENDTO", 9},
    {u"STARTMENU", 11},
    {u"NETHOOD", 19},
    {u"FONTS", 20},
    {u"TEMPLATES", 21},
    {u"COMMON_STARTMENU", 22},
    {u"COMMON_PROGRAMS", 23},
    {u"COMMON_STARTUP", 24},
    {u"COMMON_DESKTOP", 25},
    {u"APPDATA", 26},
    {u"PRINTHOOD", 27},
    {u"LOCAL_APPDATA", 28},
    {u"COMMON_FAVORITES", 31},
    {u"INTERNET_CACHE", 32},
    {u"COOKIES", 33},
    {u"HISTORY", 34},
    {u"COMMON_APPDATA", 35},
    {u"WINDOWS", 36},
    {u"SYSTEM", 37},
    {u"PROGRAM_FILES", 38},
    {u"MYPICTURES", 39},
    {u"PROFILE", 40},
    {u"PROGRAM_FILES_COMMON", 43},
    {u"COMMON_TEMPLATES", 45},
    {u"COMMON_DOCUMENTS", 46},
    {u"COMMON_ADMINTOOLS", 47},
    {u"ADMINTOOLS", 48},
};

} // namespace

std::optional<int> ShellFolderCsidl(std::u16string_view name) {
    for (const auto& folder : kShellFolders) {
        if (folder.name == name)
            return folder.csidl;
    }
    return std::nullopt;
}
