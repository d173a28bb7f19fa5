#include "registry_values.h"

#include <vector>

bool ReadDwordValue(HKEY key, const wchar_t* name, DWORD* value) {
    DWORD type = 0, data = 0, bytes = sizeof(data);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || bytes != sizeof(data))
        return false;
    *value = data;
    return true;
}

bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring* value) {
    // The value can grow between the size query and the read: ask again until it fits.
    DWORD type = 0, bytes = 0;
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes);
    std::vector<wchar_t> buffer;
    while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        if (type != REG_SZ)
            return false;
        buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD room = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                              &room);
        if (rc == ERROR_SUCCESS) {
            if (type != REG_SZ)
                return false;
            // Stored data need not be terminated; an embedded terminator ends the text.
            size_t chars = room / sizeof(wchar_t);
            size_t length = 0;
            while (length < chars && buffer[length] != L'\0')
                ++length;
            value->assign(buffer.data(), length);
            return true;
        }
        bytes = room;
    }
    return false;
}

LONG WriteDwordValue(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

LONG WriteStringValue(HKEY key, const wchar_t* name, const wchar_t* text, size_t length) {
    const DWORD bytes = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
}
