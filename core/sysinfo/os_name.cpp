#include "os_name.h"

namespace {

// Windows 11 kept major version 10; only its build numbers tell it apart.
constexpr DWORD kFirstWindows11Build = 22000;

// Server releases on major version 10, by their first build.
struct ServerRelease {
    DWORD first_build;
    const wchar_t* name;
};
constexpr ServerRelease kServer10Releases[] = {
    {26100, L"Windows 2025"},
    {20348, L"Windows 2022"},
    {17763, L"Windows 2019"},
    {0, L"Windows 2016"},
};

std::wstring VersionNumberName(const OsFacts& facts) {
    return L"Windows " + std::to_wstring(facts.major) + L"." + std::to_wstring(facts.minor);
}

std::wstring WorkstationBaseName(const OsFacts& facts) {
    switch (facts.major) {
    case 4:
        return L"Windows NT 4.0";
    case 5:
        return facts.minor == 0 ? L"Windows 2000" : L"Windows XP";
    case 6:
        switch (facts.minor) {
        case 0:
            return L"Windows Vista";
        case 1:
            return L"Windows 7";
        case 2:
            return L"Windows 8";
        case 3:
            return L"Windows 8.1";
        case 4:
            return L"Windows 10";
        default:
            return L"Windows 10+";
        }
    case 10:
        if (facts.minor != 0)
            return VersionNumberName(facts);
        return facts.build >= kFirstWindows11Build ? L"Windows 11" : L"Windows 10";
    default:
        return VersionNumberName(facts);
    }
}

// Major 6 and later; the suite words and " Server" follow.
std::wstring ServerName(const OsFacts& facts) {
    if (facts.major == 6) {
        switch (facts.minor) {
        case 0:
            return L"Windows 2008";
        case 1:
            return L"Windows 2008 R2";
        case 2:
            return L"Windows 2012";
        case 3:
            return L"Windows 2012 R2";
        default:
            return VersionNumberName(facts);
        }
    }
    if (facts.major == 10 && facts.minor == 0) {
        for (const ServerRelease& release : kServer10Releases) {
            if (facts.build >= release.first_build)
                return release.name;
        }
    }
    return VersionNumberName(facts);
}

void AppendSuiteWords(WORD suite_mask, std::wstring& name) {
    static const struct {
        WORD bit;
        const wchar_t* word;
    } kSuites[] = {
        {VER_SUITE_ENTERPRISE, L" Advanced"},
        {VER_SUITE_DATACENTER, L" DataCenter"},
        {VER_SUITE_TERMINAL, L" Terminal"},
        {VER_SUITE_BACKOFFICE, L" BackOffice"},
    };
    for (const auto& suite : kSuites) {
        if (suite_mask & suite.bit)
            name += suite.word;
    }
}

void AppendProductWords(const OsFacts& facts, std::wstring& name) {
    if (facts.product_type == VER_NT_WORKSTATION) {
        if (facts.major == 5 && facts.minor == 1)
            name += (facts.suite_mask & VER_SUITE_PERSONAL) ? L" Home Edition"
                                                            : L" Professional Edition";
        else if (facts.major == 5 && facts.minor == 0)
            name += L" Professional";
        else if (facts.major == 4)
            name += L" Workstation";
        return;
    }
    if (facts.product_type != VER_NT_SERVER && facts.product_type != VER_NT_DOMAIN_CONTROLLER)
        return;
    if (facts.major >= 6)
        name = ServerName(facts);
    else if (facts.major == 5 && facts.minor == 2)
        name = facts.server_r2 ? L"Windows 2003 R2" : L"Windows 2003";
    if (facts.major >= 5) {
        AppendSuiteWords(facts.suite_mask, name);
        name += L" Server";
    } else if (facts.major == 4 && facts.minor == 0) {
        name += L" Server";
    }
    if (facts.product_type == VER_NT_DOMAIN_CONTROLLER)
        name += L" Domain Controller";
}

std::wstring NonNtName(const OsFacts& facts) {
    std::wstring name;
    if (facts.minor == 0)
        name = L"Windows 95";
    else if (facts.minor == 10)
        name = L"Windows 98";
    else if (facts.minor == 90)
        name = L"Windows ME";
    return name + facts.service_pack;
}

} // namespace

int ServicePackNumber(const std::wstring& service_pack) {
    for (wchar_t digit = L'1'; digit <= L'9'; ++digit) {
        if (service_pack.find(digit) != std::wstring::npos)
            return digit - L'0';
    }
    return 0;
}

std::wstring OsName(const OsFacts& facts) {
    if (!facts.nt_family)
        return NonNtName(facts);
    const int service_pack = ServicePackNumber(facts.service_pack);
    std::wstring name = WorkstationBaseName(facts);
    // Older systems give no product type below NT 4.0 SP6.
    if (facts.major > 4 || service_pack > 5)
        AppendProductWords(facts, name);
    if (facts.wow64)
        name += L" 64-bit";
    if (service_pack > 0)
        name += L" " + facts.service_pack;
    return name;
}
