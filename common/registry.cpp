#include "registry.h"
#include "product_key.h"
#include "reg_key.h"

#include <wchar.h>

namespace {

void CopyDefault(DWORD room, const wchar_t* defaultValue, wchar_t* destination) {
    if (room == 0)
        return;
    if (defaultValue)
        wcsncpy_s(destination, room, defaultValue, _TRUNCATE);
    else
        destination[0] = L'\0';
}

} // namespace

bool ReadRegStringFromKey(HKEY key, DWORD room, const wchar_t* defaultValue, wchar_t* destination,
                          const wchar_t* valueName) {
    if (!destination || room == 0)
        return false;
    DWORD type = 0;
    DWORD bytes = room * sizeof(wchar_t);
    LONG rc = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(destination),
                               &bytes);
    if (rc != ERROR_SUCCESS || type != REG_SZ) {
        CopyDefault(room, defaultValue, destination);
        return false;
    }
    // The stored data need not be terminated: terminate it ourselves, and treat a value that
    // fills the room without a terminator as too long.
    DWORD chars = bytes / sizeof(wchar_t);
    if (chars > 0 && destination[chars - 1] == L'\0') {
        return true;
    }
    if (chars >= room) {
        CopyDefault(room, defaultValue, destination);
        return false;
    }
    destination[chars] = L'\0';
    return true;
}

void ReadRegString(DWORD room, const wchar_t* defaultValue, wchar_t* destination,
                   const wchar_t* valueName) {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, ProductKey(), KEY_READ)) {
        CopyDefault(room, defaultValue, destination);
        return;
    }
    ReadRegStringFromKey(key.Get(), room, defaultValue, destination, valueName);
}

void ReadRegDword(HKEY root, DWORD* destination, DWORD defaultValue, const wchar_t* valueName) {
    if (!destination)
        return;
    *destination = defaultValue;
    RegKey key;
    if (!key.Open(root, ProductKey(), KEY_READ))
        return;
    DWORD type = 0, value = 0, bytes = sizeof(value);
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD && bytes == sizeof(value))
        *destination = value;
}

bool WriteRegDword(HKEY root, const wchar_t* valueName, DWORD value) {
    RegKey key;
    if (!key.Create(root, ProductKey(), KEY_SET_VALUE))
        return false;
    return RegSetValueExW(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}
