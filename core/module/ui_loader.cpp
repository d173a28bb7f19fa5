#include "ui_loader.h"

#include <shellapi.h>

#include <string>

#include "log.h"
#include "parent_folder.h"
#include "registry.h"

namespace {

// The value holds at most 1048 bytes, terminator included.
constexpr DWORD kUiPathRoom = 1048 / sizeof(wchar_t);

} // namespace

HRESULT ui_loader() {
    wchar_t path[kUiPathRoom] = {};
    ReadRegString(kUiPathRoom, L"", path, L"CurrentUI");
    LogInfoStr(L'L', L"UI NAME:", path);
    if (!path[0]) {
        LogError(L'L', L"ui_loader Empty UI filename");
        return E_FAIL;
    }
    std::wstring folder;
    try {
        folder = ParentFolder(path);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", path, L"/FromCore",
                      folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL));
    if (result > 32) {
        LogInfoNum(L'L', L"ui_loader Start UI result", static_cast<long>(result));
        return S_OK;
    }
    LogErrorNum(L'L', L"ui_loader Start UI result", static_cast<long>(result));
    return E_FAIL;
}
