#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "child_process.h"
#include "handle.h"
#include "log.h"
#include "reg_key.h"
#include "system_info.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

TEST(SystemInfo, FormatWritesOneLinePerFactWithMemoryInMebibytes) {
    SystemInfo info;
    info.os_name.Assign(L"Windows 11 64-bit");
    info.build = 22631;
    info.major = 10;
    info.minor = 0;
    info.cpu_count = 8;
    info.cpu_mhz = 3193;
    info.cpu_identifier.Assign(L"x86 Family 6 Model 158 Stepping 10");
    info.cpu_vendor.Assign(L"GenuineIntel");
    info.cpu_name.Assign(L"Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
    // Above 4 GiB, so that 32-bit arithmetic would show.
    info.total_physical = (ULONGLONG(16) << 30) + 0xFFFFF;
    info.available_physical = ULONGLONG(5) << 30;
    info.memory_load = 68;
    info.user.Assign(L"alice");
    info.admin = 1;

    EXPECT_STREQ(info.Format().c_str(),
                 L"System Information\n"
                 L"Windows 11 64-bit build=22631\n"
                 L"WinMajor=10 WinMinor=0\n"
                 L"CPUs: 8 Speed=3193\n"
                 L"x86 Family 6 Model 158 Stepping 10 GenuineIntel Intel(R) Core(TM) i7-8700 CPU "
                 L"@ 3.20GHz\n"
                 L"Total memory: 16384M Available memory: 5120M, memory load=68\n"
                 L"User=alice (Admin rights=1)");
}

bool ExpectWow64() {
    if (sizeof(void*) == 8)
        return false;
    SYSTEM_INFO native = {};
    GetNativeSystemInfo(&native);
    return native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

// Writes the system's name and version as this process sees them to the file given.
QLX_TEST_CHILD(describe_os) {
    if (argc < 1)
        return 2;
    SystemInfo info;
    info.GetOSName();
    const std::wstring line = std::wstring(info.os_name.c_str()) + L"|" +
                              std::to_wstring(info.major) + L"." + std::to_wstring(info.minor) +
                              L"." + std::to_wstring(info.build);
    OSVERSIONINFOW reported = {};
    reported.dwOSVersionInfoSize = sizeof(reported);
    GetVersionExW(&reported);
    const std::wstring told = L"|told " + std::to_wstring(reported.dwMajorVersion) + L"." +
                              std::to_wstring(reported.dwMinorVersion);
    return WriteWholeFile(argv[0], Narrow(line + told)) ? 0 : 3;
}

// Wine gives each program the Windows version that its AppDefaults key names, through the
// same ntdll query that Windows answers: a copy of this program under a name of its own is
// started as each version in turn. Like Windows, Wine tells a program without a compatibility
// manifest that anything newer than 8 is 6.2 when it asks GetVersionEx. (Wine 8 knows no
// Windows 11, and its 32-bit and 64-bit answers differ for 2003; the naming table covers both.)
class WindowsVersions : public testing::Test {
protected:
    void SetUp() override {
        if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            GTEST_SKIP() << "chooses the Windows version through Wine's AppDefaults";
        wchar_t self[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
        probeName_ = L"qlx_os_probe_" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        probe_ = dir_.File(probeName_);
        ASSERT_TRUE(CopyFileW(self, probe_.c_str(), TRUE));
        appKey_ = L"Software\\Wine\\AppDefaults\\" + probeName_;
    }
    void TearDown() override {
        if (!appKey_.empty())
            RegDeleteKeyW(HKEY_CURRENT_USER, appKey_.c_str());
    }

    // "name|major.minor.build" of the probe run as that Wine version.
    std::string DescribeAs(const wchar_t* version) {
        RegKey key;
        if (!key.Create(HKEY_CURRENT_USER, appKey_.c_str(), KEY_SET_VALUE, 0))
            return "no AppDefaults key";
        const DWORD bytes = static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t));
        RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       bytes);
        key.Close();
        const std::wstring out = dir_.File(std::wstring(version) + L".txt");
        std::wstring command = L"\"" + probe_ + L"\" --child describe_os \"" + out + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return "probe did not start";
        CloseHandle(process.hThread);
        UniqueHandle handle(process.hProcess);
        if (WaitChild(handle.Get()) != 0)
            return "probe failed";
        std::string text;
        ReadWholeFile(out, &text);
        return text;
    }

    TempDir dir_;
    std::wstring probeName_, probe_, appKey_;
};

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
        fields.push_back(text.substr(start, bar - start));
    fields.push_back(text.substr(start));
    return fields;
}

TEST_F(WindowsVersions, EachIsNamedByItsRealVersionNotTheOneProgramsAreTold) {
    const std::string bits = ExpectWow64() ? " 64-bit" : "";
    const struct {
        const wchar_t* version;
        std::string name;
        std::string real; // a prefix: Wine's build of Windows 10 may change
        std::string told;
    } cases[] = {
        {L"winxp", "Windows XP Professional Edition" + bits + " Service Pack 3", "5.1.2600",
         "told 5.1"},
        {L"vista", "Windows Vista" + bits + " Service Pack 2", "6.0.6002", "told 6.0"},
        {L"win2008", "Windows 2008 Server" + bits + " Service Pack 2", "6.0.6002", "told 6.0"},
        {L"win8", "Windows 8" + bits, "6.2.9200", "told 6.2"},
        {L"win81", "Windows 8.1" + bits, "6.3.9600", "told 6.2"},
        {L"win10", "Windows 10" + bits, "10.0.", "told 6.2"},
    };
    for (const auto& c : cases) {
        const std::string got = DescribeAs(c.version);
        const std::vector<std::string> fields = Fields(got);
        ASSERT_EQ(fields.size(), 3u) << Narrow(c.version) << ": " << got;
        EXPECT_EQ(fields[0], c.name) << Narrow(c.version);
        EXPECT_EQ(fields[1].rfind(c.real, 0), 0u) << Narrow(c.version) << ": " << fields[1];
        EXPECT_EQ(fields[2], c.told) << Narrow(c.version);
    }
}

TEST(SystemInfo, GathersProcessorMemoryAndUserOfThisMachine) {
    SystemInfo info;
    info.GetOSName();
    info.GetProcessorCount();
    info.GetCPU();
    info.GetMemory();
    info.IsAdmin();
    info.GetUser();

    EXPECT_GE(info.cpu_count, 1u);
    RegKey cpu;
    if (cpu.Open(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                 KEY_READ, 0)) {
        EXPECT_FALSE(info.cpu_identifier.Empty());
        EXPECT_FALSE(info.cpu_vendor.Empty());
    }
    EXPECT_GT(info.total_physical, 0u);
    EXPECT_LE(info.available_physical, info.total_physical);
    EXPECT_LE(info.memory_load, 100u);
    EXPECT_GT(info.total_virtual, 0u);

    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(admins);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
    BOOL member = FALSE;
    ASSERT_TRUE(CheckTokenMembership(nullptr, admins, &member));
    if (member) {
        EXPECT_EQ(info.admin, 1u) << "an enabled administrators group is in the token's groups";
    }

    wchar_t environmentUser[256] = L"";
    if (GetEnvironmentVariableW(L"USERNAME", environmentUser, 256) > 0) {
        EXPECT_EQ(Narrow(info.user.c_str()), Narrow(environmentUser));
    }
    EXPECT_FALSE(info.user.Empty());
}

// A configured log in a private key and folder, as the core has it at start.
class SystemInfoLog : public testing::Test {
protected:
    void TearDown() override { UnloadLogConfig(); }

    std::string LogAtLevel(DWORD level) {
        const std::wstring path = dir_.File(L"level" + std::to_wstring(level) + L".log");
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", path);
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName",
                       L"QLX_TEST_SYSINFO_" + std::to_wstring(GetCurrentProcessId()));
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", level);
        LoadLogConfig();
        LogSystemInformation();
        UnloadLogConfig();
        std::string text;
        ReadWholeFile(path, &text);
        return text;
    }

    TempDir dir_;
    TestProductKey key_;
};

TEST_F(SystemInfoLog, WrittenAsOneInfoLineFromLevelThreeOnly) {
    for (DWORD level : {0u, 1u, 2u})
        EXPECT_EQ(LogAtLevel(level).find("System Information"), std::string::npos)
            << "level " << level;

    SystemInfo info;
    info.GetUser();
    // The log file is written in text mode: the text's line ends come out as CR LF.
    const std::string text = LogAtLevel(3);
    const size_t start = text.find("C  info System Information\r\nWindows ");
    ASSERT_NE(start, std::string::npos) << text;
    const std::string last = "\r\nUser=" + Narrow(info.user.c_str()) + " (Admin rights=";
    const size_t user = text.find(last, start);
    ASSERT_NE(user, std::string::npos) << text;
    EXPECT_EQ(text.compare(user + last.size() + 1, 3, ")\r\n"), 0) << "the text ends the line";
    const std::string line = text.substr(start, user - start);
    for (const char* part : {"\r\nWinMajor=", "\r\nCPUs: ", "\r\nTotal memory: "})
        EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
}

} // namespace
