#pragma once
#include <optional>
#include <string_view>

// The CSIDL number of a shell folder named as the SYSFOLDER macro names it (exact, upper
// case); none for a name the macro does not know.
std::optional<int> ShellFolderCsidl(std::u16string_view name);
