#pragma once
#include <windows.h>

#include <string>

// Points the process's product key at a key of its own under the test root, so that test
// programs running side by side never see each other's values. Deleted when the holder goes.
class TestProductKey {
public:
    // An explicit path is used by child processes to share their parent's key.
    explicit TestProductKey(const std::wstring& path = L"");
    ~TestProductKey();
    TestProductKey(const TestProductKey&) = delete;
    TestProductKey& operator=(const TestProductKey&) = delete;

    const std::wstring& Path() const { return path_; }
    void SetString(HKEY root, const wchar_t* name, const std::wstring& value);
    void SetDword(HKEY root, const wchar_t* name, DWORD value);
    void SetRaw(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
    void Delete(HKEY root, const wchar_t* name);

private:
    std::wstring path_;
    bool owner_;
};
