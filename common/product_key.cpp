#include "product_key.h"

#include <wchar.h>

namespace {
wchar_t g_productKey[kProductKeyRoom] = L"Software\\Quorvane\\Lettrix";
}

const wchar_t* ProductKey() {
    return g_productKey;
}

void SetProductKey(const wchar_t* path) {
    if (path && *path)
        wcsncpy_s(g_productKey, kProductKeyRoom, path, _TRUNCATE);
}

void LoadProductKey(HINSTANCE module, UINT stringId) {
    wchar_t buffer[kProductKeyRoom];
    if (LoadStringW(module, stringId, buffer, kProductKeyRoom) > 0)
        SetProductKey(buffer);
}
