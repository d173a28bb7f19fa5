#include "system_info.h"

#include <string>
#include <vector>

#include "handle.h"
#include "log.h"
#include "os_query.h"
#include "reg_key.h"
#include "registry.h"

namespace {

constexpr wchar_t kProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr DWORD kProcessorTextRoom = 100 / sizeof(wchar_t);
constexpr DWORD kUserNameRoom = 100;
constexpr DWORD kFirstGroupsBufferBytes = 1024;

void ReadProcessorText(HKEY key, const wchar_t* name, WString& field) {
    wchar_t text[kProcessorTextRoom];
    ReadRegStringFromKey(key, kProcessorTextRoom, L"", text, name);
    field.Assign(text);
}

// The process token's group list, in a buffer that grows to the size the system asks for.
bool ReadTokenGroups(HANDLE token, std::vector<BYTE>& buffer) {
    buffer.resize(kFirstGroupsBufferBytes);
    for (;;) {
        DWORD needed = 0;
        if (GetTokenInformation(token, TokenGroups, buffer.data(),
                                static_cast<DWORD>(buffer.size()), &needed))
            return true;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size())
            return false;
        buffer.resize(needed);
    }
}

bool TokenHasAdministrators(HANDLE token) {
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(admins);
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size))
        return false;
    std::vector<BYTE> buffer;
    if (!ReadTokenGroups(token, buffer))
        return false;
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, admins))
            return true;
    }
    return false;
}

ULONGLONG MiB(ULONGLONG bytes) {
    return bytes >> 20;
}

} // namespace

SystemInfo::SystemInfo()
    : user(L""), cpu_name(L""), cpu_identifier(L""), cpu_vendor(L""), os_name(L"") {
    // The packed version's high bit is set on the non-NT family only.
    nt_family = (GetVersion() & 0x80000000u) == 0;
}

void SystemInfo::GetOSName() {
    const OsFacts facts = QueryOsFacts(nt_family);
    major = facts.major;
    minor = facts.minor;
    build = facts.build;
    service_pack = nt_family ? ServicePackNumber(facts.service_pack) : 0;
    wow64 = facts.wow64;
    os_name.Assign(OsName(facts).c_str());
}

void SystemInfo::GetProcessorCount() {
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    cpu_count = info.dwNumberOfProcessors;
}

void SystemInfo::GetCPU() {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kProcessorKey, KEY_READ, 0))
        return;
    ReadProcessorText(key.Get(), L"Identifier", cpu_identifier);
    ReadProcessorText(key.Get(), L"VendorIdentifier", cpu_vendor);
    ReadProcessorText(key.Get(), L"ProcessorNameString", cpu_name);
    DWORD mhz = 0, type = 0, bytes = sizeof(mhz);
    if (RegQueryValueExW(key.Get(), L"~MHz", nullptr, &type, reinterpret_cast<BYTE*>(&mhz),
                         &bytes) == ERROR_SUCCESS &&
        type == REG_DWORD && bytes == sizeof(mhz))
        cpu_mhz = mhz;
}

void SystemInfo::GetMemory() {
    using GlobalMemoryStatusExFn = BOOL(WINAPI*)(MEMORYSTATUSEX*);
    GlobalMemoryStatusExFn statusEx = nullptr;
    if (nt_family && major > 4) {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (kernel)
            statusEx = reinterpret_cast<GlobalMemoryStatusExFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "GlobalMemoryStatusEx")));
    }
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (statusEx && statusEx(&status)) {
        memory_load = status.dwMemoryLoad;
        total_physical = status.ullTotalPhys;
        available_physical = status.ullAvailPhys;
        total_page_file = status.ullTotalPageFile;
        available_page_file = status.ullAvailPageFile;
        total_virtual = status.ullTotalVirtual;
        available_virtual = status.ullAvailVirtual;
        return;
    }
    MEMORYSTATUS plain = {};
    plain.dwLength = sizeof(plain);
    GlobalMemoryStatus(&plain);
    memory_load = plain.dwMemoryLoad;
    total_physical = plain.dwTotalPhys;
    available_physical = plain.dwAvailPhys;
    total_page_file = plain.dwTotalPageFile;
    available_page_file = plain.dwAvailPageFile;
    total_virtual = plain.dwTotalVirtual;
    available_virtual = plain.dwAvailVirtual;
}

void SystemInfo::IsAdmin() {
    if (!nt_family) {
        admin = 1;
        return;
    }
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        admin = 0;
        return;
    }
    UniqueHandle token(raw);
    admin = TokenHasAdministrators(token.Get()) ? 1 : 0;
}

void SystemInfo::GetUser() {
    wchar_t name[kUserNameRoom + 1] = L"";
    DWORD room = kUserNameRoom + 1;
    if (GetUserNameW(name, &room))
        user.Assign(name);
    else
        user.Clear();
}

WString SystemInfo::Format() const {
    const auto number = [](ULONGLONG value) { return std::to_wstring(value); };
    std::wstring text = L"System Information\n";
    text += std::wstring(os_name.c_str()) + L" build=" + number(build) + L"\n";
    text += L"WinMajor=" + number(major) + L" WinMinor=" + number(minor) + L"\n";
    text += L"CPUs: " + number(cpu_count) + L" Speed=" + number(cpu_mhz) + L"\n";
    text += std::wstring(cpu_identifier.c_str()) + L" " + cpu_vendor.c_str() + L" " +
            cpu_name.c_str() + L"\n";
    text += L"Total memory: " + number(MiB(total_physical)) + L"M Available memory: " +
            number(MiB(available_physical)) + L"M, memory load=" + number(memory_load) + L"\n";
    text += std::wstring(L"User=") + user.c_str() + L" (Admin rights=" + number(admin) + L")";
    return WString(text.c_str());
}

void LogSystemInformation() noexcept {
    if (!LogErrorsOn())
        return;
    try {
        SystemInfo info;
        info.GetOSName();
        info.GetProcessorCount();
        info.GetCPU();
        info.GetMemory();
        info.IsAdmin();
        info.GetUser();
        if (LogInfoOn()) {
            const WString text = info.Format();
            LogLine(LOG_FMT, L'C', kLogInfo, text.c_str());
        }
    } catch (...) {
        // Out of memory while describing the machine: the log goes without it.
    }
}
