#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "os_name.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

struct NameCase {
    DWORD major, minor, build;
    BYTE product;
    WORD suites;
    bool r2, wow64;
    const wchar_t* service_pack;
    const wchar_t* expected;
};

constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;
constexpr BYTE kController = VER_NT_DOMAIN_CONTROLLER;

TEST(OsName, NamesEveryNtReleaseByItsRealVersion) {
    const NameCase cases[] = {
        // NT 4.0 reports its product type from service pack 6 on only.
        {4, 0, 1381, kServer, 0, false, false, L"Service Pack 5", L"Windows NT 4.0 Service Pack 5"},
        {4, 0, 1381, kWorkstation, 0, false, false, L"Service Pack 6",
         L"Windows NT 4.0 Workstation Service Pack 6"},
        {4, 0, 1381, kServer, VER_SUITE_ENTERPRISE, false, false, L"Service Pack 6a",
         L"Windows NT 4.0 Server Service Pack 6a"},
        {5, 0, 2195, kWorkstation, 0, false, false, L"Service Pack 4",
         L"Windows 2000 Professional Service Pack 4"},
        {5, 0, 2195, kServer, VER_SUITE_ENTERPRISE, false, false, L"",
         L"Windows 2000 Advanced Server"},
        {5, 1, 2600, kWorkstation, VER_SUITE_PERSONAL, false, false, L"Service Pack 3",
         L"Windows XP Home Edition Service Pack 3"},
        {5, 1, 2600, kWorkstation, 0, false, true, L"", L"Windows XP Professional Edition 64-bit"},
        {5, 2, 3790, kWorkstation, 0, false, true, L"Service Pack 2",
         L"Windows XP 64-bit Service Pack 2"},
        {5, 2, 3790, kServer, VER_SUITE_DATACENTER | VER_SUITE_TERMINAL, true, false, L"",
         L"Windows 2003 R2 DataCenter Terminal Server"},
        {5, 2, 3790, kController,
         VER_SUITE_BACKOFFICE | VER_SUITE_TERMINAL | VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE,
         false, false, L"Service Pack 1",
         L"Windows 2003 Advanced DataCenter Terminal BackOffice Server Domain Controller "
         L"Service Pack 1"},
        {6, 0, 6002, kWorkstation, 0, false, false, L"Service Pack 2",
         L"Windows Vista Service Pack 2"},
        {6, 0, 6002, kServer, 0, false, false, L"", L"Windows 2008 Server"},
        {6, 1, 7601, kWorkstation, 0, false, true, L"Service Pack 1",
         L"Windows 7 64-bit Service Pack 1"},
        {6, 1, 7601, kServer, 0, false, false, L"", L"Windows 2008 R2 Server"},
        {6, 2, 9200, kWorkstation, 0, false, false, L"", L"Windows 8"},
        {6, 2, 9200, kServer, 0, false, false, L"", L"Windows 2012 Server"},
        {6, 3, 9600, kWorkstation, 0, false, false, L"", L"Windows 8.1"},
        {6, 3, 9600, kServer, 0, false, false, L"", L"Windows 2012 R2 Server"},
        {6, 4, 9841, kWorkstation, 0, false, false, L"", L"Windows 10"},
        {6, 5, 9900, kWorkstation, 0, false, false, L"", L"Windows 10+"},
        // Windows 11 is still 10.0; its builds start at 22000.
        {10, 0, 19045, kWorkstation, VER_SUITE_SINGLEUSERTS, false, true, L"",
         L"Windows 10 64-bit"},
        {10, 0, 21999, kWorkstation, 0, false, false, L"", L"Windows 10"},
        {10, 0, 22000, kWorkstation, 0, false, false, L"", L"Windows 11"},
        {10, 0, 26100, kWorkstation, 0, false, true, L"", L"Windows 11 64-bit"},
        {10, 0, 14393, kServer, 0, false, false, L"", L"Windows 2016 Server"},
        {10, 0, 17763, kServer, VER_SUITE_TERMINAL, false, false, L"",
         L"Windows 2019 Terminal Server"},
        {10, 0, 20348, kServer, 0, false, false, L"", L"Windows 2022 Server"},
        {10, 0, 26100, kController, 0, false, false, L"", L"Windows 2025 Server Domain Controller"},
        // Versions not known yet keep their number.
        {12, 1, 30000, kWorkstation, 0, false, false, L"", L"Windows 12.1"},
        {12, 1, 30000, kServer, 0, false, false, L"", L"Windows 12.1 Server"},
    };
    for (const NameCase& c : cases) {
        OsFacts facts;
        facts.major = c.major;
        facts.minor = c.minor;
        facts.build = c.build;
        facts.product_type = c.product;
        facts.suite_mask = c.suites;
        facts.server_r2 = c.r2;
        facts.wow64 = c.wow64;
        facts.service_pack = c.service_pack;
        EXPECT_EQ(Narrow(OsName(facts)), Narrow(c.expected))
            << "row " << c.major << "." << c.minor << "." << c.build << " product "
            << int(c.product) << " suites " << c.suites;
    }
}

TEST(OsName, NamesTheOlderFamilyByMinorVersionWithItsTextAppended) {
    const struct {
        DWORD minor;
        const wchar_t* extra;
        const wchar_t* expected;
    } cases[] = {
        {0, L" C", L"Windows 95 C"},
        {10, L" A", L"Windows 98 A"},
        {90, L"", L"Windows ME"},
    };
    for (const auto& c : cases) {
        OsFacts facts;
        facts.nt_family = false;
        facts.major = 4;
        facts.minor = c.minor;
        facts.service_pack = c.extra;
        facts.wow64 = false;
        EXPECT_EQ(Narrow(OsName(facts)), Narrow(c.expected)) << "minor " << c.minor;
    }
}

TEST(OsName, ServicePackNumberIsTheLowestDigitThatOccurs) {
    const struct {
        const wchar_t* text;
        int expected;
    } cases[] = {
        {L"", 0},
        {L"Service Pack 3", 3},
        {L"Service Pack 0", 0},
        {L"Build 95", 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServicePackNumber(c.text), c.expected) << Narrow(c.text);
}

} // namespace
