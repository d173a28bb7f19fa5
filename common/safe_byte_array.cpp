#include "safe_byte_array.h"
#include "file_util.h"
#include "handle.h"

void SafeByteArray::Release() {
    Unaccess();
    if (array_)
        SafeArrayDestroy(array_);
    array_ = nullptr;
    count_ = 0;
}

void SafeByteArray::Recount() {
    count_ = 0;
    LONG lower = 0, upper = -1;
    if (array_ && SafeArrayGetDim(array_) == 1 &&
        SUCCEEDED(SafeArrayGetLBound(array_, 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(array_, 1, &upper)) && upper >= lower)
        count_ = static_cast<DWORD>(upper - lower + 1);
}

bool SafeByteArray::CopyFrom(SAFEARRAY* array) {
    Release();
    if (!array)
        return false;
    SAFEARRAY* copy = nullptr;
    if (FAILED(SafeArrayCopy(array, &copy)) || !copy)
        return false;
    array_ = copy;
    Recount();
    return true;
}

void SafeByteArray::Attach(SAFEARRAY* array) {
    Release();
    array_ = array;
    Recount();
}

SAFEARRAY* SafeByteArray::Detach() {
    Unaccess();
    SAFEARRAY* array = array_;
    array_ = nullptr;
    count_ = 0;
    return array;
}

BYTE* SafeByteArray::Access() {
    if (!data_ && array_) {
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(array_, &data)))
            data_ = static_cast<BYTE*>(data);
    }
    return data_;
}

void SafeByteArray::Unaccess() {
    if (data_ && array_)
        SafeArrayUnaccessData(array_);
    data_ = nullptr;
}

bool SafeByteArray::LoadFile(const wchar_t* path) {
    Release();
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &attributes))
        return false;
    const DWORD size = attributes.nFileSizeLow;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, size);
    if (!array)
        return false;
    Attach(array);
    if (size == 0)
        return true;
    UniqueHandle file(OpenFileForRead(path));
    bool ok = file.Valid() && Access() && ReadFromFile(file.Get(), data_, size);
    Unaccess();
    if (!ok)
        Release();
    return ok;
}

bool SafeByteArray::SaveFile(const wchar_t* path) {
    if (!array_ || !path)
        return false;
    UniqueHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    bool ok = count_ == 0 || (Access() && WriteToFile(file.Get(), data_, count_));
    Unaccess();
    return ok;
}
