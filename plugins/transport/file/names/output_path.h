#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Where a transport's output file goes. The folder is the user's choice and is kept as it is.
// The name comes from macro expansion (a document's title among other things) and is made to
// name a file below that folder whatever it holds: it is split into parts at "\" and "/"; each
// part loses the characters no file name may hold and the trailing dots and spaces that Windows
// drops (so "." and ".." parts vanish); a device name (CON, NUL, COM1, ...) gets a "_" in front;
// a part too long is shortened in its middle, keeping its extension and its end, where page
// numbers usually stand.
namespace output_path {

constexpr size_t kMaxPath = 259;      // MAX_PATH less the terminator
constexpr size_t kMaxComponent = 255; // one folder or file name

// folder, a backslash unless it ends with one, then the cleaned parts of name joined by
// backslashes. Nothing when the folder is empty, when no part of the name is left, or when the
// path cannot be made to fit in maxPath characters.
std::optional<std::u16string> FileInFolder(std::u16string_view folder, std::u16string_view name,
                                           size_t maxPath = kMaxPath);

// One part of a name as FileInFolder cleans it, before any shortening: "_" for each character
// below U+0020 and each of < > : " | ? *, trailing dots and spaces dropped, and "_" in front of
// a device name. Empty when nothing is left. Cleaning a cleaned part changes nothing.
std::u16string CleanPart(std::u16string_view part);

// True for a name that Windows opens as a device wherever it stands: CON, PRN, AUX, NUL, COM0
// to COM9, LPT0 to LPT9 (also with the superscript digits 1 to 3), CONIN$ and CONOUT$, in any
// case, also followed by spaces or by an extension.
bool IsDeviceName(std::u16string_view part);

// The full path with every occurrence of the folder's text removed (the file chooser's folder
// and selection give the file-name box's text: C:\out and C:\out\a.txt give \a.txt).
std::u16string WithoutFolder(std::u16string_view fullPath, std::u16string_view folder);

} // namespace output_path
