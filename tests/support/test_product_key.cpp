#include "test_product_key.h"

#include "product_key.h"
#include "reg_key.h"

TestProductKey::TestProductKey(const std::wstring& path) : path_(path), owner_(path.empty()) {
    if (owner_) {
        static LONG counter = 0;
        wchar_t name[128];
        swprintf(name, 128, L"Software\\QuorvaneTest\\Lettrix_%lu_%ld", GetCurrentProcessId(),
                 InterlockedIncrement(&counter));
        path_ = name;
    }
    SetProductKey(path_.c_str());
}

TestProductKey::~TestProductKey() {
    if (owner_) {
        const std::wstring parent = L"Software\\QuorvaneTest";
        const std::wstring leaf = path_.substr(parent.size() + 1);
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegKey key;
            if (key.Open(root, parent.c_str(), KEY_ALL_ACCESS))
                RegDeleteTreeW(key.Get(), leaf.c_str());
        }
    }
    SetProductKey(L"Software\\Quorvane\\Lettrix");
}

void TestProductKey::SetRaw(HKEY root, const wchar_t* name, DWORD type, const void* data,
                            DWORD bytes) {
    RegKey key;
    if (key.Create(root, path_.c_str(), KEY_SET_VALUE))
        RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes);
}

void TestProductKey::SetString(HKEY root, const wchar_t* name, const std::wstring& value) {
    SetRaw(root, name, REG_SZ, value.c_str(),
           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TestProductKey::SetDword(HKEY root, const wchar_t* name, DWORD value) {
    SetRaw(root, name, REG_DWORD, &value, sizeof(value));
}

void TestProductKey::Delete(HKEY root, const wchar_t* name) {
    RegKey key;
    if (key.Open(root, path_.c_str(), KEY_SET_VALUE))
        RegDeleteValueW(key.Get(), name);
}
