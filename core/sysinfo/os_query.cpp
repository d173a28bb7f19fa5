#include "os_query.h"

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);

template <typename Fn> Fn LookUp(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (!handle)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

bool QueryRealVersion(RTL_OSVERSIONINFOEXW* info) {
    auto rtlGetVersion = LookUp<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    return rtlGetVersion && rtlGetVersion(info) >= 0;
}

bool QueryReportedVersion(RTL_OSVERSIONINFOEXW* info) {
    OSVERSIONINFOEXW reported = {};
    reported.dwOSVersionInfoSize = sizeof(reported);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&reported))) {
        // Systems before NT 4.0 SP6 know only the short form.
        reported.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&reported)))
            return false;
    }
    static_assert(sizeof(reported) == sizeof(*info), "the two version structures agree");
    memcpy(info, &reported, sizeof(reported));
    return true;
}

} // namespace

bool RunsUnderWow64() {
    auto isWow64Process = LookUp<IsWow64ProcessFn>(L"kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

OsFacts QueryOsFacts(bool nt_family) {
    OsFacts facts;
    facts.nt_family = nt_family;
    RTL_OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!QueryRealVersion(&info) && !QueryReportedVersion(&info))
        return facts;
    facts.major = info.dwMajorVersion;
    facts.minor = info.dwMinorVersion;
    // The non-NT family keeps its build in the low word.
    facts.build = nt_family ? info.dwBuildNumber : LOWORD(info.dwBuildNumber);
    info.szCSDVersion[ARRAYSIZE(info.szCSDVersion) - 1] = L'\0';
    facts.service_pack = info.szCSDVersion;
    facts.product_type = info.wProductType;
    facts.suite_mask = info.wSuiteMask;
    facts.server_r2 = GetSystemMetrics(SM_SERVERR2) != 0;
    facts.wow64 = RunsUnderWow64();
    return facts;
}
