#include "machine_string.h"

#include "reg_key.h"

namespace {

constexpr wchar_t kDeliverablesProductKey[] = L"Software\\Quorvane\\Lettrix";
constexpr DWORD kRoom = 1024;

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

MachineString::MachineString(const wchar_t* name, const std::wstring& value) : name_(name) {
    RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, kDeliverablesProductKey, KEY_QUERY_VALUE | KEY_SET_VALUE))
        return;
    wchar_t old[kRoom];
    had_value_ = ReadRegStringFromKey(key.Get(), kRoom, L"", old, name_);
    old_value_ = old;
    SetString(key.Get(), name_, value);
}

MachineString::~MachineString() {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kDeliverablesProductKey, KEY_SET_VALUE))
        return;
    if (had_value_)
        SetString(key.Get(), name_, old_value_);
    else
        RegDeleteValueW(key.Get(), name_);
}
