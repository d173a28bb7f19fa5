#include <gtest/gtest.h>

#include <windows.h>
#include <comcat.h>

#include <set>
#include <string>

#include "com_bstr.h"
#include "com_ptr.h"
#include "fixture_plugin_ids.h"
#include "fixture_registration.h"
#include "frame_fixture_paths.h"
#include "qlx_tplugin.h"
#include "registration.h"

namespace {

const GUID kTransportCategory = {
    0xA31FF0FD, 0xB1D2, 0x478C, {0xB7, 0x94, 0x96, 0xE6, 0x8E, 0xC7, 0x01, 0xE1}};
const GUID kFormatCategory = {
    0x5BD3D599, 0xE24A, 0x4E8F, {0x89, 0xA1, 0xFA, 0x0B, 0x85, 0x9C, 0xCD, 0x5A}};

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComScope() { CoUninitialize(); }
};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The string value (null name: the default), or "<none>".
std::wstring Value(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_ANY, &type, data, &size) !=
        ERROR_SUCCESS)
        return L"<none>";
    return type == REG_SZ ? data : L"<not a string>";
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(module, path, MAX_PATH + 1);
    return path;
}

const std::wstring kTransport = GuidText(kTestTransportClsid);
const std::wstring kFormat = GuidText(kTestFormatClsid);
const std::wstring kTransportKey = L"CLSID\\" + kTransport;

TEST(PluginRegistration, WritesTheClassKeysProgIdsAndCategory) {
    ComScope com;
    FixtureRegistration registration;
    ASSERT_EQ(registration.Result(), S_OK);
    const std::wstring module = ModulePath(registration.Library());
    const std::wstring tlib = L"{18EE89F0-0B6C-4D46-877E-774EC5028FEF}";
    struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring expected;
    } rows[] = {
        {L"Quorvane.QLX_TPlugin_Test.6.0", nullptr, L"QLX_TPlugin_Test Class"},
        {L"Quorvane.QLX_TPlugin_Test.6.0\\CLSID", nullptr, kTransport},
        {L"Quorvane.QLX_TPlugin_Test", nullptr, L"QLX_TPlugin_Test Class"},
        {L"Quorvane.QLX_TPlugin_Test\\CLSID", nullptr, kTransport},
        {L"Quorvane.QLX_TPlugin_Test\\CurVer", nullptr, L"Quorvane.QLX_TPlugin_Test.6.0"},
        {kTransportKey, nullptr, L"QLX_TPlugin_Test Class"},
        {kTransportKey + L"\\ProgID", nullptr, L"Quorvane.QLX_TPlugin_Test.6.0"},
        {kTransportKey + L"\\VersionIndependentProgID", nullptr, L"Quorvane.QLX_TPlugin_Test"},
        {kTransportKey + L"\\InprocServer32", nullptr, module},
        {kTransportKey + L"\\InprocServer32", L"ThreadingModel", L"Both"},
        {kTransportKey + L"\\ToolboxBitmap32", nullptr, module + L", 101"},
        {kTransportKey + L"\\MiscStatus", nullptr, L"0"},
        {kTransportKey + L"\\MiscStatus\\1", nullptr, L"131473"},
        {kTransportKey + L"\\TypeLib", nullptr, tlib},
        {kTransportKey + L"\\Version", nullptr, L"5.8"},
        // A format names its own library and version; one versioned ProgID may read otherwise.
        {L"CLSID\\" + kFormat + L"\\TypeLib", nullptr, L"{D3FD67B7-D09A-42CE-92DF-489C642B24C3}"},
        {L"CLSID\\" + kFormat + L"\\Version", nullptr, L"5.4"},
        {L"Quorvane.QLX_RPlugin_Test.6.0", nullptr, L"RPlugin_Test Class"},
        {L"Quorvane.QLX_RPlugin_Test", nullptr, L"QLX_RPlugin_Test Class"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Value(row.key, row.name), row.expected) << Narrow(row.key);
    for (const wchar_t* marker : {L"Programmable", L"Control", L"Insertable"})
        EXPECT_TRUE(KeyExists(kTransportKey + L"\\" + marker)) << Narrow(marker);

    const std::set<std::wstring> transports = ClassesInCategory(kTransportCategory);
    for (const CLSID* clsid : {&kTestTransportClsid, &kAlphaTransportClsid, &kFailingTransportClsid,
                               &kBrokenTransportClsid})
        EXPECT_EQ(transports.count(GuidText(*clsid)), 1u) << Narrow(GuidText(*clsid));
    EXPECT_EQ(transports.count(kFormat), 0u);
    const std::set<std::wstring> formats = ClassesInCategory(kFormatCategory);
    EXPECT_EQ(formats.count(kFormat), 1u);
    EXPECT_EQ(formats.count(kTransport), 0u);
}

TEST(PluginRegistration, TwiceLeavesOneSetOfKeysAndUnregistrationRemovesThem) {
    ComScope com;
    FixtureRegistration registration;
    ASSERT_EQ(registration.Result(), S_OK);
    // Something left below the class key by an older registration goes with the second one.
    HKEY stray = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (kTransportKey + L"\\Stray").c_str(), 0, nullptr,
                              0, KEY_WRITE, nullptr, &stray, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stray);
    ASSERT_EQ(registration.Register(), S_OK);
    EXPECT_FALSE(KeyExists(kTransportKey + L"\\Stray"));
    EXPECT_EQ(Value(kTransportKey + L"\\ProgID"), L"Quorvane.QLX_TPlugin_Test.6.0");
    EXPECT_EQ(ClassesInCategory(kTransportCategory).count(kTransport), 1u)
        << "the category is written again with the class key";

    ASSERT_EQ(registration.Unregister(), S_OK);
    for (const std::wstring& key :
         {kTransportKey, L"CLSID\\" + kFormat, std::wstring(L"Quorvane.QLX_TPlugin_Test.6.0"),
          std::wstring(L"Quorvane.QLX_TPlugin_Test"), std::wstring(L"Quorvane.QLX_RPlugin_Test")})
        EXPECT_FALSE(KeyExists(key)) << Narrow(key);
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_EQ(ClassesInCategory(kTransportCategory).count(kTransport), 0u);
    EXPECT_EQ(ClassesInCategory(kFormatCategory).count(kFormat), 0u);
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(registration.Unregister(), S_OK);
}

TEST(PluginModule, CreatesRegisteredClassesAndUnloadsWhenNoneIsLeft) {
    ComScope com;
    FixtureRegistration registration;
    ASSERT_EQ(registration.Result(), S_OK);
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(registration.Library(), "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    {
        ComPtr<IQLX_TPLUGIN> plugin;
        ASSERT_EQ(plugin.CoCreate(kTestTransportClsid, CLSCTX_INPROC_SERVER), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
        ComPtr<IQLX_TPLUGIN> failing;
        EXPECT_EQ(failing.CoCreate(kFailingTransportClsid, CLSCTX_INPROC_SERVER), E_FAIL);
    }
    EXPECT_EQ(canUnload(), S_OK);
}

// An object that aggregates a plug-in: it answers IUnknown itself and hands every other
// interface to the plug-in's inner unknown.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    ULONG refs = 1;
    ComPtr<IUnknown> inner;
};

TEST(PluginModule, APluginCanBeAggregated) {
    ComScope com;
    FixtureRegistration registration;
    ASSERT_EQ(registration.Result(), S_OK);
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(registration.Library(), "DllCanUnloadNow")));
    Outer outer;
    ComPtr<IQLX_TPLUGIN> wrong;
    EXPECT_EQ(CoCreateInstance(kTestTransportClsid, &outer, CLSCTX_INPROC_SERVER, IID_IQLX_TPLUGIN,
                               wrong.AsVoidOut()),
              CLASS_E_NOAGGREGATION)
        << "an outer object must ask for IUnknown";
    ASSERT_EQ(CoCreateInstance(kTestTransportClsid, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               outer.inner.AsVoidOut()),
              S_OK);
    EXPECT_EQ(outer.refs, 1u) << "the inner object holds no reference on its outer one";
    {
        ComPtr<IQLX_TPLUGIN> plugin;
        ASSERT_EQ(outer.QueryInterface(IID_IQLX_TPLUGIN, plugin.AsVoidOut()), S_OK);
        EXPECT_EQ(outer.refs, 2u) << "the plug-in's interfaces count on the outer object";
        ComPtr<IUnknown> identity;
        ASSERT_EQ(plugin->QueryInterface(IID_IUnknown, identity.AsVoidOut()), S_OK);
        EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
        ComBstr name;
        EXPECT_EQ(plugin->get_Name(&name), S_OK);
        EXPECT_STREQ(name.Get(), kTestTransportName);
    }
    EXPECT_EQ(outer.refs, 1u);
    EXPECT_EQ(canUnload(), S_FALSE);
    outer.inner.Release();
    EXPECT_EQ(canUnload(), S_OK) << "the inner unknown owned the plug-in";
}

TEST(PluginModule, ExportsByOrdinalAndCarriesItsResources) {
    HMODULE library = LoadLibraryW(QLX_FRAME_FIXTURE_DLL);
    ASSERT_TRUE(library);
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                           "DllUnregisterServer"};
    for (int ordinal = 1; ordinal <= 4; ++ordinal) {
        FARPROC byName = GetProcAddress(library, names[ordinal - 1]);
        EXPECT_TRUE(byName) << names[ordinal - 1];
        EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(ordinal)), byName) << ordinal;
    }
    wchar_t text[64] = {};
    EXPECT_GT(LoadStringW(library, 100, text, 64), 0);
    EXPECT_STREQ(text, L"qlx_frame_fixture");
    for (int page : {103, 104, 105})
        EXPECT_TRUE(FindResourceW(library, MAKEINTRESOURCEW(page), MAKEINTRESOURCEW(5))) << page;
    EXPECT_TRUE(FindResourceW(library, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(2)));

    const std::wstring path = ModulePath(library);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, &block[0]));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00060000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    void* value = nullptr;
    EXPECT_TRUE(
        VerQueryValueW(&block[0], L"\\StringFileInfo\\040904B0\\OLESelfRegister", &value, &length));
    FreeLibrary(library);
}

} // namespace
