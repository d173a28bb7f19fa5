#include "job_objects.h"

#include <wchar.h>

#include "null_dacl.h"

namespace {

constexpr DWORD kPipeBufferBytes = 4096;
constexpr size_t kPrefixRoom = 64;

} // namespace

std::wstring LoadObjectPrefix(HINSTANCE module) {
    wchar_t prefix[kPrefixRoom];
    if (LoadStringW(module, kObjectPrefixStringId, prefix, kPrefixRoom) > 0)
        return prefix;
    return kDefaultObjectPrefix;
}

std::wstring JobEventName(const std::wstring& prefix, long job_id) {
    return L"Global\\" + prefix + L"_UL_Event_" + std::to_wstring(job_id);
}

std::wstring JobPipeName(const std::wstring& prefix, long job_id) {
    return L"\\\\.\\pipe\\" + prefix + L"pipe_" + std::to_wstring(job_id);
}

std::wstring StubMutexName(const std::wstring& prefix) {
    return prefix + L"stub_mutex";
}

namespace {

// Wine 8 makes a further instance of a pipe whose name was taken before, whatever
// FILE_FLAG_FIRST_PIPE_INSTANCE asks: the name is also looked up first. (The flag alone
// closes the race on Windows.)
bool PipeNameTaken(const std::wstring& name) {
    return WaitNamedPipeW(name.c_str(), 1) || GetLastError() != ERROR_FILE_NOT_FOUND;
}

} // namespace

UniqueHandle CreateJobPipe(const std::wstring& name) {
    if (PipeNameTaken(name)) {
        SetLastError(ERROR_PIPE_BUSY);
        return UniqueHandle();
    }
    NullDaclAttributes everyone;
    return UniqueHandle(CreateNamedPipeW(name.c_str(),
                                         PIPE_ACCESS_INBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1,
                                         kPipeBufferBytes, kPipeBufferBytes, 0, everyone.Get()));
}

UniqueHandle CreateJobEvent(const std::wstring& name) {
    NullDaclAttributes everyone;
    return UniqueHandle(CreateEventW(everyone.Get(), TRUE, FALSE, name.c_str()));
}

UniqueHandle CreateStubMutex(const std::wstring& name, bool* existed) {
    NullDaclAttributes everyone;
    UniqueHandle mutex(CreateMutexW(everyone.Get(), FALSE, name.c_str()));
    *existed = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    return mutex;
}
