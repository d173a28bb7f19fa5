#include <gtest/gtest.h>

#include <comcat.h>

#include <string>

#include "com_ptr.h"
#include "reg_key.h"
#include "registration.h"

namespace {

const CLSID kTestClass = {0x7c0a61d2, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};
const GUID kTestLib = {0x7c0a61d3, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};
const GUID kTestCategory = {0x7c0a61d4, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};
const IID kTestInterface = {0x7c0a61d5, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};
const GUID kTestAppId = {0x7c0a61d6, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};

const RegistryView kViews[] = {RegistryView::k32, RegistryView::k64};
const char* ViewName(RegistryView view) {
    return view == RegistryView::k32 ? "32-bit" : "64-bit";
}

// The default value (or a named one) of HKLM\Software\Classes\path in a view; "<none>" when
// the key or value is missing.
std::wstring ClassesValue(RegistryView view, const std::wstring& path,
                          const wchar_t* name = nullptr) {
    RegKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                  ViewFlag(view)))
        return L"<none>";
    wchar_t value[512] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

bool ClassesKeyExists(RegistryView view, const std::wstring& path) {
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), KEY_QUERY_VALUE,
                    ViewFlag(view));
}

ComClassRegistration TestServer() {
    return {&kTestClass,
            L"QLX Test Class",
            L"Quorvane.RegTest.6.0",
            L"Quorvane.RegTest",
            ServerKind::kLocalServer,
            L"C:\\qlx\\test server.exe",
            nullptr,
            &kTestLib,
            L"6.0",
            &kTestAppId};
}

TEST(Registration, WritesTheClassInEachViewAndRemovesItAgain) {
    const std::wstring clsid = GuidText(kTestClass);
    const std::wstring key = L"CLSID\\" + clsid;
    for (RegistryView view : kViews) {
        SCOPED_TRACE(ViewName(view));
        ComClassRegistration entry = TestServer();
        ASSERT_EQ(RegisterComClass(entry, view), S_OK);
        // Twice: the second leaves one set of keys and no leftover of the first.
        entry.serverPath = L"C:\\qlx\\moved.exe";
        ASSERT_EQ(RegisterComClass(entry, view), S_OK);
        struct Expect {
            std::wstring path;
            const wchar_t* name;
            std::wstring value;
        };
        const Expect rows[] = {
            {key, nullptr, L"QLX Test Class"},
            {key + L"\\LocalServer32", nullptr, L"C:\\qlx\\moved.exe"},
            {key + L"\\ProgID", nullptr, L"Quorvane.RegTest.6.0"},
            {key + L"\\VersionIndependentProgID", nullptr, L"Quorvane.RegTest"},
            {key + L"\\TypeLib", nullptr, GuidText(kTestLib)},
            {key + L"\\Version", nullptr, L"6.0"},
            {key, L"AppID", GuidText(kTestAppId)},
            {L"Quorvane.RegTest.6.0\\CLSID", nullptr, clsid},
            {L"Quorvane.RegTest\\CLSID", nullptr, clsid},
            {L"Quorvane.RegTest\\CurVer", nullptr, L"Quorvane.RegTest.6.0"},
            {L"Quorvane.RegTest", nullptr, L"QLX Test Class"},
        };
        for (const Expect& row : rows)
            EXPECT_EQ(ClassesValue(view, row.path, row.name), row.value)
                << std::string(row.path.begin(), row.path.end());
        EXPECT_FALSE(ClassesKeyExists(view, key + L"\\InprocServer32"));

        EXPECT_EQ(UnregisterComClass(entry, view), S_OK);
        EXPECT_FALSE(ClassesKeyExists(view, key));
        EXPECT_FALSE(ClassesKeyExists(view, L"Quorvane.RegTest"));
        EXPECT_FALSE(ClassesKeyExists(view, L"Quorvane.RegTest.6.0"));
        EXPECT_EQ(UnregisterComClass(entry, view), S_OK) << "a missing class is no error";
    }
}

TEST(Registration, ClassKeyTakesFurtherSubkeys) {
    const ClassSubkey subkeys[] = {
        {L"Programmable", nullptr, nullptr},
        {L"Control", nullptr, nullptr},
        {L"ToolboxBitmap32", nullptr, L"C:\\qlx\\xfer_file.dll, 101"},
        {L"MiscStatus", nullptr, L"0"},
        {L"MiscStatus\\1", nullptr, L"131473"},
    };
    ComClassRegistration entry = TestServer();
    entry.kind = ServerKind::kInprocServer;
    entry.threadingModel = L"Both";
    entry.subkeys = subkeys;
    entry.subkeyCount = 5;
    ASSERT_EQ(RegisterComClass(entry, RegistryView::k32), S_OK);
    const std::wstring key = L"CLSID\\" + GuidText(kTestClass);
    EXPECT_EQ(ClassesValue(RegistryView::k32, key + L"\\InprocServer32"),
              L"C:\\qlx\\test server.exe");
    EXPECT_EQ(ClassesValue(RegistryView::k32, key + L"\\InprocServer32", L"ThreadingModel"),
              L"Both");
    EXPECT_TRUE(ClassesKeyExists(RegistryView::k32, key + L"\\Control"));
    EXPECT_TRUE(ClassesKeyExists(RegistryView::k32, key + L"\\Programmable"));
    EXPECT_EQ(ClassesValue(RegistryView::k32, key + L"\\ToolboxBitmap32"),
              L"C:\\qlx\\xfer_file.dll, 101");
    EXPECT_EQ(ClassesValue(RegistryView::k32, key + L"\\MiscStatus"), L"0");
    EXPECT_EQ(ClassesValue(RegistryView::k32, key + L"\\MiscStatus\\1"), L"131473");
    EXPECT_FALSE(ClassesKeyExists(RegistryView::k32, key + L"\\LocalServer32"));
    EXPECT_EQ(UnregisterComClass(entry, RegistryView::k32), S_OK);
    EXPECT_FALSE(ClassesKeyExists(RegistryView::k32, key));
}

TEST(Registration, TheTwoViewsAreKeptApart) {
    ComClassRegistration entry = TestServer();
    entry.kind = ServerKind::kInprocServer;
    entry.threadingModel = L"Both";
    ASSERT_EQ(RegisterComClass(entry, RegistryView::k32), S_OK);
    const std::wstring server = L"CLSID\\" + GuidText(kTestClass) + L"\\InprocServer32";
    EXPECT_EQ(ClassesValue(RegistryView::k32, server, L"ThreadingModel"), L"Both");
    EXPECT_FALSE(ClassesKeyExists(RegistryView::k64, server));
    EXPECT_EQ(UnregisterComClass(entry, RegistryView::k32), S_OK);
}

TEST(Registration, ProgIdOfAnotherClassStays) {
    ComClassRegistration entry = TestServer();
    ASSERT_EQ(RegisterComClass(entry, RegistryView::k32), S_OK);
    ComClassRegistration other = entry;
    const CLSID otherClass = {
        0x7c0a61d7, 0x50e4, 0x4b61, {0x9a, 0x11, 0x3e, 0x52, 0x0b, 0x7f, 1, 2}};
    other.clsid = &otherClass;
    EXPECT_EQ(UnregisterComClass(other, RegistryView::k32), S_OK);
    EXPECT_EQ(ClassesValue(RegistryView::k32, L"Quorvane.RegTest\\CLSID"), GuidText(kTestClass));
    EXPECT_EQ(UnregisterComClass(entry, RegistryView::k32), S_OK);
}

TEST(Registration, AppIdAndInterfaceMarshaler) {
    for (RegistryView view : kViews) {
        SCOPED_TRACE(ViewName(view));
        const std::wstring app = L"AppID\\" + GuidText(kTestAppId);
        ASSERT_EQ(RegisterAppId(kTestAppId, L"Quorvane Lettrix", L"qlx_regtest.exe", 1, view),
                  S_OK);
        EXPECT_EQ(ClassesValue(view, app), L"Quorvane Lettrix");
        EXPECT_EQ(ClassesValue(view, L"AppID\\qlx_regtest.exe", L"AppID"), GuidText(kTestAppId));
        EXPECT_EQ(UnregisterAppId(kTestAppId, L"qlx_regtest.exe", view), S_OK);
        EXPECT_FALSE(ClassesKeyExists(view, app));
        EXPECT_FALSE(ClassesKeyExists(view, L"AppID\\qlx_regtest.exe"));

        const std::wstring itf = L"Interface\\" + GuidText(kTestInterface);
        ASSERT_EQ(
            RegisterInterfaceMarshaler(kTestInterface, L"_ITestEvents", kPSDispatchClsid, view),
            S_OK);
        EXPECT_EQ(ClassesValue(view, itf + L"\\ProxyStubClsid32"),
                  L"{00020420-0000-0000-C000-000000000046}");
        EXPECT_EQ(UnregisterInterfaceMarshaler(kTestInterface, view), S_OK);
        EXPECT_FALSE(ClassesKeyExists(view, itf));
    }
}

bool CategoryLists(REFGUID category, REFCLSID clsid) {
    ComPtr<ICatInformation> info;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatInformation, info.AsVoidOut())))
        return false;
    ComPtr<IEnumCLSID> classes;
    CATID wanted = category;
    if (FAILED(
            info->EnumClassesOfCategories(1, &wanted, static_cast<ULONG>(-1), nullptr, &classes)))
        return false;
    CLSID one;
    ULONG fetched = 0;
    while (classes->Next(1, &one, &fetched) == S_OK && fetched == 1) {
        if (IsEqualCLSID(one, clsid))
            return true;
    }
    return false;
}

// The category manager writes in the view of the calling process.
#ifdef _WIN64
constexpr RegistryView kOwnView = RegistryView::k64;
#else
constexpr RegistryView kOwnView = RegistryView::k32;
#endif

std::wstring CategoryName(REFGUID category) {
    ComPtr<ICatInformation> info;
    if (FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_ICatInformation, info.AsVoidOut())))
        return L"<no manager>";
    wchar_t* name = nullptr;
    if (FAILED(info->GetCategoryDesc(const_cast<GUID&>(category), 0x409, &name)))
        return L"<none>";
    std::wstring result = name;
    CoTaskMemFree(name);
    return result;
}

TEST(Registration, ComponentCategoryThroughTheCategoryManager) {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ComClassRegistration entry = TestServer();
    entry.kind = ServerKind::kInprocServer;
    ASSERT_EQ(RegisterComClass(entry, kOwnView), S_OK);
    ASSERT_EQ(RegisterComponentCategory(kTestCategory, L"Quorvane Test Plug-ins"), S_OK);
    ASSERT_EQ(RegisterImplementedCategory(kTestClass, kTestCategory), S_OK);
    EXPECT_TRUE(CategoryLists(kTestCategory, kTestClass));
    EXPECT_EQ(CategoryName(kTestCategory), L"Quorvane Test Plug-ins");

    EXPECT_EQ(UnregisterImplementedCategory(kTestClass, kTestCategory), S_OK);
    EXPECT_FALSE(CategoryLists(kTestCategory, kTestClass));
    EXPECT_EQ(UnregisterComponentCategory(kTestCategory), S_OK);
    EXPECT_EQ(UnregisterComClass(entry, kOwnView), S_OK);
    CoUninitialize();
}

} // namespace
