#include "parent_folder.h"

std::wstring ParentFolder(const std::wstring& path) {
    const size_t last = path.rfind(L'\\');
    if (last == std::wstring::npos)
        return std::wstring();
    const size_t withBackslash = last + 1;
    return path.substr(0, withBackslash <= 3 ? withBackslash : last);
}
