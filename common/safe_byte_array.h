#pragma once
#include <windows.h>
#include <oleauto.h>

// Holder of a one-dimensional byte SAFEARRAY (VT_UI1) that loads from and saves to a whole file.
class SafeByteArray {
public:
    SafeByteArray() = default;
    ~SafeByteArray() { Release(); }
    SafeByteArray(const SafeByteArray&) = delete;
    SafeByteArray& operator=(const SafeByteArray&) = delete;

    void Release();
    // A copy of array; a null array or a failed copy leaves the holder empty.
    bool CopyFrom(SAFEARRAY* array);
    // Takes ownership of array.
    void Attach(SAFEARRAY* array);
    // Gives the array away; the holder is empty afterwards.
    SAFEARRAY* Detach();
    // The whole file; false (and empty) when it can't be read completely.
    bool LoadFile(const wchar_t* path);
    // Creates or truncates the file and writes every byte; false on any failure.
    bool SaveFile(const wchar_t* path);
    void Recount();

    // Access to the bytes; Unaccess ends it. Null when there are no bytes to access.
    BYTE* Access();
    void Unaccess();

    SAFEARRAY* Array() const { return array_; }
    DWORD Count() const { return count_; }

private:
    SAFEARRAY* array_ = nullptr;
    DWORD count_ = 0;
    BYTE* data_ = nullptr;
};
