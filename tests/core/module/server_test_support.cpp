#include "server_test_support.h"

#include <gtest/gtest.h>

#include "core_ids.h"
#include "handle.h"
#include "qlx_core.h"
#include "reg_key.h"

bool FileThere(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

bool KeyThere(const std::wstring& path, RegistryView view) {
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                    ViewFlag(view));
}

std::wstring StringValue(const std::wstring& path, const wchar_t* name, RegistryView view) {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                  ViewFlag(view)))
        return L"(no key)";
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS)
        return L"(no value)";
    return value;
}

// Runs Wine's 32-bit script host on a script and returns what it wrote.
bool RunScript(const TempDir& dir, const std::string& script, std::string* output) {
    const std::wstring source = dir.File(L"client.vbs");
    const std::wstring written = dir.File(L"out.txt");
    if (!WriteWholeFile(source, script))
        return false;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    UniqueHandle out(CreateFileW(written.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr));
    if (!out)
        return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = out.Get();
    std::wstring command = L"C:\\windows\\system32\\cscript.exe //nologo \"" + source + L"\"";
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    UniqueHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.Get(), 60000) != WAIT_OBJECT_0) {
        TerminateProcess(child.Get(), 1);
        return false;
    }
    out.Reset();
    return ReadWholeFile(written, output);
}

void ExpectRegisteredThenRemoved(const wchar_t* server) {
    const std::wstring clsid = L"CLSID\\" + GuidText(kCoreEngineClsid);
    const std::wstring appId = L"AppID\\" + GuidText(kCoreAppId);
    const std::wstring driverInterface = L"Interface\\" + GuidText(IID_IQLX_INT);
    const std::wstring automationInterface = L"Interface\\" + GuidText(IID_IQLX);
    const std::wstring serverPath = server;
    const std::wstring exeName = serverPath.substr(serverPath.rfind(L'\\') + 1);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        SCOPED_TRACE(view == RegistryView::k32 ? "32-bit view" : "64-bit view");
        EXPECT_EQ(StringValue(clsid, nullptr, view), L"QLX Class");
        EXPECT_EQ(StringValue(clsid + L"\\LocalServer32", nullptr, view), serverPath);
        EXPECT_EQ(StringValue(clsid, L"AppID", view), GuidText(kCoreAppId));
        EXPECT_EQ(StringValue(clsid + L"\\TypeLib", nullptr, view), GuidText(kCoreTypeLibId));
        EXPECT_EQ(StringValue(L"Quorvane.Lettrix\\CurVer", nullptr, view), L"Quorvane.Lettrix.6.0");
        EXPECT_EQ(StringValue(L"Quorvane.Lettrix.6.0\\CLSID", nullptr, view),
                  GuidText(kCoreEngineClsid));
        EXPECT_EQ(StringValue(appId, nullptr, view), L"Quorvane Lettrix");
        EXPECT_EQ(StringValue(L"AppID\\" + exeName, L"AppID", view), GuidText(kCoreAppId));
        // The proxies of this bitness's clients, registered after the type library. A 64-bit
        // core (a test build) has no 32-bit side to register them for.
        if (view == RegistryView::k32 && kOwnRegistryView == RegistryView::k64)
            continue;
        EXPECT_TRUE(KeyThere(driverInterface + L"\\ProxyStubClsid32", view));
        EXPECT_NE(StringValue(automationInterface + L"\\ProxyStubClsid32", nullptr, view),
                  L"{00020424-0000-0000-C000-000000000046}")
            << "the dual interface keeps its own proxy";
    }
    {
        RegKey key;
        EXPECT_TRUE(key.Open(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID", KEY_QUERY_VALUE, 0));
        DWORD level = 0, size = sizeof(level);
        RegKey app;
        ASSERT_TRUE(app.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + appId).c_str(),
                             KEY_QUERY_VALUE, 0));
        EXPECT_EQ(RegQueryValueExW(app.Get(), L"AuthenticationLevel", nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(&level), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(level, 1u);
    }
    EXPECT_TRUE(KeyThere(L"TypeLib\\" + GuidText(kCoreTypeLibId) + L"\\6.0", RegistryView::k32));
    EXPECT_EQ(StringValue(L"Component Categories\\" + GuidText(kFormatCategoryId), L"409",
                          kOwnRegistryView),
              L"Quorvane Lettrix Rendering Plug-ins");
    EXPECT_EQ(StringValue(L"Component Categories\\" + GuidText(kTransportCategoryId), L"409",
                          kOwnRegistryView),
              L"Quorvane Lettrix Transport Plug-ins");

    ASSERT_EQ(RunProgram(Quoted(server) + L" -UnregServer"), 0);
    for (RegistryView view : {RegistryView::k32, RegistryView::k64}) {
        SCOPED_TRACE(view == RegistryView::k32 ? "32-bit view" : "64-bit view");
        for (const std::wstring& path :
             {clsid, appId, L"AppID\\" + exeName, std::wstring(L"Quorvane.Lettrix"),
              std::wstring(L"Quorvane.Lettrix.6.0"), driverInterface}) {
            EXPECT_FALSE(KeyThere(path, view)) << Narrow(path);
        }
    }
    EXPECT_FALSE(KeyThere(L"TypeLib\\" + GuidText(kCoreTypeLibId), RegistryView::k32));
    EXPECT_FALSE(
        KeyThere(L"Component Categories\\" + GuidText(kFormatCategoryId), kOwnRegistryView));
    EXPECT_FALSE(
        KeyThere(L"Component Categories\\" + GuidText(kTransportCategoryId), kOwnRegistryView));
    // A second removal finds nothing to remove and is no failure.
    EXPECT_EQ(RunProgram(Quoted(server) + L" /UnregServer"), 0);
}

ServerLog::ServerLog() {
    RegKey key;
    if (key.Create(HKEY_LOCAL_MACHINE, kCoreProductKey, KEY_SET_VALUE)) {
        const std::wstring file = dir_.File(L"core.log");
        const DWORD level = 3;
        RegSetValueExW(key.Get(), L"LogFile", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(file.c_str()),
                       static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t)));
        RegSetValueExW(key.Get(), L"LogLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level),
                       sizeof(level));
    }
}

ServerLog::~ServerLog() {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kCoreProductKey, KEY_SET_VALUE)) {
        RegDeleteValueW(key.Get(), L"LogFile");
        RegDeleteValueW(key.Get(), L"LogLevel");
    }
}

std::string ServerLog::Text() {
    std::string text;
    ReadWholeFile(dir_.File(L"core.log"), &text);
    return text;
}
