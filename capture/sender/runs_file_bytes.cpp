#include "runs_file_bytes.h"

#include "handle.h"

namespace {

constexpr LONGLONG kMaxFileBytes = 256ll << 20;

} // namespace

bool ReadRunsFileBytes(const wchar_t* path, std::string* bytes) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFileBytes)
        return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes->empty() ||
           (ReadFile(file.Get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, nullptr) &&
            read == bytes->size());
}
