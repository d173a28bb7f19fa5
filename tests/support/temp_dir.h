#pragma once
#include <string>

// A fresh directory under the temporary folder, removed with its contents when the holder goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return path_; }
    // Path() + "\" + name.
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Whole-file helpers for tests.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
bool ReadWholeFile(const std::wstring& path, std::string* bytes);
bool FileExists(const std::wstring& path);
