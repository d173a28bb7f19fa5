#include <gtest/gtest.h>

#include <windows.h>
#include <comcat.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cfg_store.h"
#include "com_bstr.h"
#include "com_object.h"
#include "core_schema.h"
#include "fake_plugins.h"
#include "log.h"
#include "plugin_categories.h"
#include "plugin_lists.h"
#include "plugin_sort.h"
#include "registration.h"
#include "string_collection.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

constexpr auto kTransports = CfgPlugins::kTransports;
constexpr auto kFormats = CfgPlugins::kFormats;
constexpr wchar_t kPrinter[] = L"Plug-in Test Printer";

using Defaults = std::map<std::wstring, ComVariant>;

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += c < 128 ? static_cast<char>(c) : '?';
    return narrow;
}

std::wstring TextOf(const VARIANT& value) {
    return value.vt == VT_BSTR && value.bstrVal ? value.bstrVal : L"<not a string>";
}

std::wstring Param(IQLX_TPLUGIN* plugin, const wchar_t* name) {
    ComVariant value;
    if (!plugin || FAILED(plugin->GetParam(ComBstr(name), &value)))
        return L"<no value>";
    if (value.vt == VT_I4)
        return std::to_wstring(value.lVal);
    return TextOf(value);
}

std::wstring Param(IQLX_RPLUGIN* plugin, const wchar_t* name) {
    ComVariant value;
    if (!plugin || FAILED(plugin->GetParam(ComBstr(name), &value)))
        return L"<no value>";
    if (value.vt == VT_I4)
        return std::to_wstring(value.lVal);
    return TextOf(value);
}

// Plug-in lists over the real category manager of the prefix, a configuration store over a
// private product key and a log in a private folder. The fake classes it registers are
// unregistered when the test ends; other classes found in the categories are left out of what
// is asserted.
class PluginListsTest : public testing::Test {
public:
    PluginListsTest() : store_(nullptr, dir_.File(L"data")), lists_(store_.Context()) {}

    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CreateDirectoryW(dir_.File(L"data").c_str(), nullptr);
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogFile", dir_.File(L"qlx.log"));
        key_.SetString(HKEY_LOCAL_MACHINE, L"LogMutexName",
                       L"QLX_TEST_PLUGINS_" + std::to_wstring(GetCurrentProcessId()));
        key_.SetDword(HKEY_LOCAL_MACHINE, L"LogLevel", 3);
        LoadLogConfig();
        ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ICatInformation, categories_.AsVoidOut()),
                  S_OK);
        names_ = NewNames();
        ASSERT_TRUE(names_);
        DeclareCoreSchema(store_.Core());
        SetCoreDefaults(store_.Core());
    }

    void TearDown() override {
        lists_.UnloadTransports();
        lists_.UnloadFormats();
        registrations_.clear();
        categories_.Release();
        names_.Release();
        UnloadLogConfig();
        CoUninitialize();
    }

    static ComPtr<IQLX_BSTR_Collection> NewNames() {
        ComPtr<IQLX_BSTR_Collection> names;
        ComObject<CStringCollection>::Create(IID_IQLX_BSTR_Collection, names.AsVoidOut());
        return names;
    }

    FakePluginRegistration& Register(std::shared_ptr<FakePluginClass> description) {
        registrations_.push_back(std::make_unique<FakePluginRegistration>(std::move(description)));
        EXPECT_EQ(registrations_.back()->Result(), S_OK);
        return *registrations_.back();
    }
    FakePluginRegistration& RegisterMissingServer(FakeKind kind) {
        registrations_.push_back(FakePluginRegistration::WithMissingServer(kind));
        EXPECT_EQ(registrations_.back()->Result(), S_OK);
        return *registrations_.back();
    }
    FakePluginClass& RegisterTransport(const wchar_t* name, const wchar_t* layout = L"Bpath",
                                       Defaults defaults = {{L"path", ComVariant(L"")}}) {
        return Register(FakeTransportClass(name, layout, std::move(defaults))).Class();
    }
    FakePluginClass& RegisterFormat(const wchar_t* name, const wchar_t* layout = L"Lindent",
                                    Defaults defaults = {{L"indent", ComVariant(2L)}}) {
        return Register(FakeFormatClass(name, layout, L"xml", std::move(defaults))).Class();
    }

    bool IsOwn(const CLSID& clsid) const {
        for (const auto& registration : registrations_) {
            if (IsEqualCLSID(registration->Clsid(), clsid))
                return true;
        }
        return false;
    }
    template <class Ref> std::vector<std::wstring> OwnNames(const std::vector<Ref>& list) const {
        std::vector<std::wstring> names;
        for (const Ref& record : list) {
            if (IsOwn(record->clsid))
                names.push_back(record->Name().c_str());
        }
        return names;
    }
    // The names in the collection that one of this test's classes gives.
    std::vector<std::wstring> OwnNamesIn(IQLX_BSTR_Collection* collection) const {
        std::set<std::wstring> own;
        for (const auto& registration : registrations_)
            own.insert(registration->Class().name);
        std::vector<std::wstring> names;
        long count = 0;
        collection->get_Count(&count);
        for (long i = 0; i < count; ++i) {
            ComBstr name;
            collection->GetItem(i, &name);
            if (own.count(name.c_str()))
                names.push_back(name.c_str());
        }
        return names;
    }
    // Classes of the category that this test did not register.
    size_t ForeignClasses(FakeKind kind) {
        CATID category = CategoryOf(kind);
        ComPtr<IEnumCLSID> found;
        if (FAILED(categories_->EnumClassesOfCategories(1, &category, static_cast<ULONG>(-1),
                                                        nullptr, &found)))
            return 0;
        size_t foreign = 0;
        CLSID clsid;
        ULONG fetched = 0;
        while (found->Next(1, &clsid, &fetched) == S_OK && fetched == 1)
            foreign += IsOwn(clsid) ? 0 : 1;
        return foreign;
    }
    // Whether a plug-in registered by someone else bears one of this test's names, so that a
    // lookup by name may find it instead.
    bool ForeignNameClash() const {
        std::set<std::wstring> own;
        for (const auto& registration : registrations_)
            own.insert(registration->Class().name);
        for (const auto& record : lists_.Transports())
            if (!IsOwn(record->clsid) && own.count(record->Name().c_str()))
                return true;
        for (const auto& record : lists_.Formats())
            if (!IsOwn(record->clsid) && own.count(record->Name().c_str()))
                return true;
        return false;
    }
    std::string LogText() const {
        std::string text;
        ReadWholeFile(dir_.File(L"qlx.log"), &text);
        return text;
    }
    void ExpectLogged(const std::wstring& line) const {
        EXPECT_NE(LogText().find(Narrow(line)), std::string::npos)
            << "not in the log: " << Narrow(line);
    }
    // The index of a record in the store's view.
    unsigned IndexOf(CfgPlugins::Group group, const wchar_t* name) {
        for (unsigned i = 0; i < lists_.Count(group); ++i) {
            if (lists_.Section(group, i).Section().Equals(name))
                return i;
        }
        return ~0u;
    }

    TestProductKey key_;
    TempDir dir_;
    CfgStore store_;
    PluginLists lists_;
    ComPtr<ICatInformation> categories_;
    ComPtr<IQLX_BSTR_Collection> names_;
    std::vector<std::unique_ptr<FakePluginRegistration>> registrations_;
};

// Records and names come sorted by name, whatever order the category manager gives the
// classes in (each class id is new, so that order is a matter of chance).
TEST_F(PluginListsTest, ListsPluginsByNameWhateverTheEnumerationOrder) {
    const std::vector<std::vector<const wchar_t*>> rows = {
        {L"Mail", L"File"},
        {L"File", L"Mail"},
        {L"Mail", L"HTTP", L"Clipboard", L"File", L"Printer"},
    };
    const std::vector<std::vector<std::wstring>> sorted = {
        {L"File", L"Mail"},
        {L"File", L"Mail"},
        {L"Clipboard", L"File", L"HTTP", L"Mail", L"Printer"},
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        registrations_.clear();
        for (const wchar_t* name : rows[r])
            RegisterTransport(name);
        ComPtr<IQLX_BSTR_Collection> names = NewNames();
        ASSERT_EQ(lists_.LoadTransports(categories_, names), S_OK);
        EXPECT_EQ(OwnNames(lists_.Transports()), sorted[r]);
        EXPECT_EQ(OwnNamesIn(names), sorted[r]);
        for (const TransportRef& record : lists_.Transports()) {
            if (!IsOwn(record->clsid))
                continue;
            EXPECT_TRUE(record->Object()) << Narrow(record->Name().c_str());
            EXPECT_FALSE(record->Enabled());
            EXPECT_TRUE(record->config.Find(L"path"));
        }
    }

    registrations_.clear();
    RegisterFormat(L"XML");
    RegisterFormat(L"RSS");
    RegisterFormat(L"TWL", L"Lmargins,Lusespaces",
                   {{L"margins", ComVariant(1L)}, {L"usespaces", ComVariant(0L)}});
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    EXPECT_EQ(OwnNames(lists_.Formats()), (std::vector<std::wstring>{L"RSS", L"TWL", L"XML"}));
    EXPECT_EQ(OwnNamesIn(names_), (std::vector<std::wstring>{L"RSS", L"TWL", L"XML"}));
    for (const FormatRef& record : lists_.Formats()) {
        if (IsOwn(record->clsid)) {
            EXPECT_STREQ(record->extension.c_str(), L"xml");
        }
    }
    ExpectLogged(L"C  info Load_format_plugins [");
    ExpectLogged(L"C  info CQLX::load_format_plugins plugin= TWL");
    ExpectLogged(L"C  info Plugin layout Lmargins,Lusespaces");
    ExpectLogged(L"C  info Load_format_plugins ]");
}

// A plug-in that can't be created, or whose name or descriptor can't be read, is left out with
// a line in the log; the others load. A malformed descriptor keeps the plug-in with the
// parameters before the fault.
TEST_F(PluginListsTest, SkipsPluginsThatCannotBeUsedAndLogsWhy) {
    FakePluginClass& good = RegisterTransport(L"File");
    auto refusing = FakeTransportClass(L"Refusing", L"Bpath", {});
    refusing->createResult = E_OUTOFMEMORY;
    const CLSID refusingId = Register(refusing).Clsid();
    const CLSID missingId = RegisterMissingServer(FakeKind::kTransport).Clsid();
    auto noName = FakeTransportClass(L"NoName", L"Bpath", {});
    noName->nameResult = E_UNEXPECTED;
    const CLSID noNameId = Register(noName).Clsid();
    auto emptyName = FakeTransportClass(L"", L"Bpath", {});
    const CLSID emptyNameId = Register(emptyName).Clsid();
    // Used up to its first null character, this name is empty too.
    auto hiddenName = FakeTransportClass(L"", L"Bpath", {});
    hiddenName->name = std::wstring(L"\0Hidden", 7);
    const CLSID hiddenNameId = Register(hiddenName).Clsid();
    auto noLayout = FakeTransportClass(L"NoLayout", L"Bpath", {});
    noLayout->layoutResult = E_UNEXPECTED;
    Register(noLayout);
    auto spaced = FakeTransportClass(L"Spaced", L"Lmargins, Lusespaces", {});
    Register(spaced);
    auto doubled = FakeTransportClass(L"Doubled", L"Lmargins,,Lusespaces", {});
    Register(doubled);
    MalformedCategoryEntry damaged(FakeKind::kTransport);
    ASSERT_EQ(damaged.Result(), ERROR_SUCCESS);

    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    const std::vector<std::wstring> loaded = {L"Doubled", L"File", L"Spaced"};
    EXPECT_EQ(OwnNames(lists_.Transports()), loaded);
    EXPECT_EQ(OwnNamesIn(names_), loaded);
    EXPECT_EQ(good.alive, 1);
    for (const wchar_t* cut : {L"Doubled", L"Spaced"}) {
        TransportRef record = lists_.FindTransport(cut);
        ASSERT_TRUE(record);
        EXPECT_TRUE(record->config.Find(L"margins")) << Narrow(cut);
        EXPECT_FALSE(record->config.Find(L"usespaces")) << Narrow(cut);
    }
    for (FakePluginClass* skipped :
         {noName.get(), emptyName.get(), hiddenName.get(), noLayout.get()}) {
        EXPECT_EQ(skipped->created, 1) << Narrow(skipped->name);
        EXPECT_EQ(skipped->alive, 0) << Narrow(skipped->name) << " was not released";
    }
    const std::wstring method = L"CQLX::load_transport_plugins ";
    ExpectLogged(L"C Warn  " + method + L"Cannot create plugin " + GuidText(refusingId) +
                 L" 0x8007000E");
    ExpectLogged(L"C Warn  " + method + L"Cannot create plugin " + GuidText(missingId));
    ExpectLogged(L"C ERROR " + method + L"Cannot read plugin name " + GuidText(noNameId) +
                 L" 0x8000FFFF");
    ExpectLogged(L"C ERROR " + method + L"Plugin without name " + GuidText(emptyNameId));
    ExpectLogged(L"C ERROR " + method + L"Plugin without name " + GuidText(hiddenNameId));
    ExpectLogged(L"C ERROR " + method + L"Cannot read plugin layout ");
    ExpectLogged(L"C  info Plugin layout Lmargins, Lusespaces");
    const std::wstring cut =
        L"C Warn  " + method + L"Malformed plugin layout, parameters after the fault dropped: ";
    ExpectLogged(cut + L"Spaced");
    ExpectLogged(cut + L"Doubled");
    // The damaged entry is passed over by the enumeration, which goes on with the others.
    EXPECT_EQ(LogText().find("EnumClassesOfCategories"), std::string::npos);

    // Formats: a missing extension only empties {{EXT}}; a descriptor that starts with its
    // fault gives a plug-in without parameters.
    FakePluginClass& xml = RegisterFormat(L"XML");
    auto noExtension = FakeFormatClass(L"NoExtension", L"Lindent", L"txt", {});
    noExtension->extensionResult = E_NOTIMPL;
    Register(noExtension);
    auto bad = FakeFormatClass(L"Bad", L",Lindent", L"txt", {});
    Register(bad);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    EXPECT_EQ(OwnNames(lists_.Formats()),
              (std::vector<std::wstring>{L"Bad", L"NoExtension", L"XML"}));
    EXPECT_EQ(xml.alive, 1);
    EXPECT_EQ(bad->alive, 1);
    EXPECT_FALSE(lists_.FindFormat(L"Bad")->config.Find(L"indent"));
    for (const FormatRef& record : lists_.Formats()) {
        if (IsOwn(record->clsid) && record->Name().Equals(L"NoExtension")) {
            EXPECT_STREQ(record->extension.c_str(), L"");
        }
    }
    ExpectLogged(L"C Warn  CQLX::load_format_plugins Cannot read plugin extension NoExtension");
    ExpectLogged(L"C Warn  CQLX::load_format_plugins Malformed plugin layout, parameters after "
                 L"the fault dropped: Bad");
}

// Without a manager, or with no plug-in that loads, a load fails and leaves the list empty.
TEST_F(PluginListsTest, NoUsablePluginFailsTheLoad) {
    EXPECT_EQ(lists_.LoadTransports(nullptr, names_), E_FAIL);
    EXPECT_EQ(lists_.LoadFormats(nullptr, names_), E_FAIL);
    if (ForeignClasses(FakeKind::kTransport) || ForeignClasses(FakeKind::kFormat))
        GTEST_SKIP() << "the prefix has plug-ins registered by others in the categories";

    // A list that loaded before is gone after a reload that finds nothing.
    FakePluginClass& file = RegisterTransport(L"File");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    TransportRef held = lists_.FindTransport(L"File");
    registrations_.clear();

    struct Row {
        const char* what;
        void (*add)(PluginListsTest&);
    };
    const Row rows[] = {
        {"empty category", [](PluginListsTest&) {}},
        {"only a class that can't be created",
         [](PluginListsTest& t) { t.RegisterMissingServer(FakeKind::kTransport); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        registrations_.clear();
        row.add(*this);
        ComPtr<IQLX_BSTR_Collection> names = NewNames();
        EXPECT_EQ(lists_.LoadTransports(categories_, names), E_FAIL);
        EXPECT_TRUE(lists_.Transports().empty());
        EXPECT_EQ(lists_.Count(kTransports), 0u);
        long count = -1;
        names->get_Count(&count);
        EXPECT_EQ(count, 0);
    }
    EXPECT_EQ(file.alive, 0);
    EXPECT_FALSE(held->Object());
    ExpectLogged(L"C ERROR CQLX::load_transport_plugins No plug-ins detected");

    registrations_.clear();
    EXPECT_EQ(lists_.LoadFormats(categories_, names_), E_FAIL);
    ExpectLogged(L"C ERROR CQLX::load_format_plugins No render plug-ins detected");
}

// The only plug-in of its kind with a malformed descriptor still makes a list, so the engine
// starts with it.
TEST_F(PluginListsTest, TheOnlyPluginWithAMalformedDescriptorLoads) {
    if (ForeignClasses(FakeKind::kTransport))
        GTEST_SKIP() << "the prefix has plug-ins registered by others in the categories";
    RegisterTransport(L"Bad", L"Bpath,,Lx", {{L"path", ComVariant(L"")}});
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    EXPECT_EQ(OwnNames(lists_.Transports()), std::vector<std::wstring>{L"Bad"});
    EXPECT_TRUE(lists_.FindTransport(L"Bad")->config.Find(L"path"));
}

// Two plug-ins of one name: whatever order they are found in, the one with the lower class id
// comes first and is the one the name selects and finds; the log names both.
TEST_F(PluginListsTest, PluginsOfOneNameSelectTheSameOneEveryTime) {
    RegisterTransport(L"Twin", L"Bpath");
    RegisterTransport(L"Twin", L"Bpath");
    RegisterTransport(L"File");
    CLSID ids[2] = {registrations_[0]->Clsid(), registrations_[1]->Clsid()};
    const bool firstIsLower = CompareClassIds(ids[0], ids[1]) < 0;
    const CLSID lower = firstIsLower ? ids[0] : ids[1];
    const CLSID higher = firstIsLower ? ids[1] : ids[0];
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        TransportRef found = lists_.FindTransport(L"Twin");
        ASSERT_TRUE(found);
        EXPECT_TRUE(IsEqualCLSID(found->clsid, lower));
        EXPECT_EQ(lists_.SelectTransports(L"Twin,File"), L"File,Twin");
        std::vector<CLSID> enabled;
        for (const TransportRef& record : lists_.EnabledTransports())
            if (record->Name().Equals(L"Twin"))
                enabled.push_back(record->clsid);
        ASSERT_EQ(enabled.size(), 1u) << "one of them, not both";
        EXPECT_TRUE(IsEqualCLSID(enabled[0], lower));
        ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    }
    const std::wstring method = L"C Warn  CQLX::load_transport_plugins ";
    ExpectLogged(method + L"Plugins share a name and its settings; selected by it: Twin " +
                 GuidText(lower));
    ExpectLogged(method + L"Never selected by name: Twin " + GuidText(higher));
}

// A send takes the enabled transports once: whatever selections are made meanwhile, what it
// takes is one whole selection, never a mix of two.
TEST_F(PluginListsTest, EnabledTransportsAreOneWholeSelection) {
    RegisterTransport(L"File");
    RegisterTransport(L"HTTP");
    RegisterTransport(L"Mail");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";
    lists_.SelectTransports(L"File");
    std::atomic<bool> stop{false};
    std::atomic<long> mixed{0}, taken{0};
    std::thread sender([&] {
        while (!stop) {
            std::wstring names;
            for (const TransportRef& record : lists_.EnabledTransports()) {
                if (IsOwn(record->clsid))
                    names += std::wstring(record->Name().c_str()) + L";";
            }
            if (names != L"File;" && names != L"HTTP;Mail;")
                ++mixed;
            ++taken;
        }
    });
    for (int i = 0; i < 2000; ++i)
        lists_.SelectTransports(i % 2 ? L"File" : L"Mail,HTTP");
    stop = true;
    sender.join();
    EXPECT_EQ(mixed, 0) << "of " << taken << " taken";
}

// A printer's stored configuration reaches fresh plug-in objects: each value is pushed, the
// settings page refreshed once, the stored transports enabled and the stored format selected.
TEST_F(PluginListsTest, StoredParametersArePushedIntoPluginsAtPrinterLoad) {
    RegisterTransport(
        L"File", L"Bpath,Lmode,Epassword",
        {{L"path", ComVariant(L"")}, {L"mode", ComVariant(0L)}, {L"password", ComVariant(L"")}});
    FakePluginClass& http = RegisterTransport(L"HTTP", L"Burl", {{L"url", ComVariant(L"")}});
    RegisterTransport(L"Mail", L"Bto", {{L"to", ComVariant(L"")}});
    FakePluginClass& xml = RegisterFormat(L"XML");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";

    CfgData& file = lists_.FindTransport(L"File")->config;
    EXPECT_TRUE(file.PutValue(L"path", ComVariant(L"C:\\out\\job.txt")));
    EXPECT_TRUE(file.PutValue(L"mode", ComVariant(3L)));
    EXPECT_TRUE(file.PutValue(L"password", ComVariant(L"s3cret")));
    EXPECT_TRUE(
        lists_.FindTransport(L"HTTP")->config.PutValue(L"url", ComVariant(L"http://127.0.0.1/")));
    EXPECT_TRUE(lists_.FindFormat(L"XML")->config.PutValue(L"indent", ComVariant(4L)));
    store_.Core().PutString(CfgStore::kTransportPlugin, L"HTTP,File");
    store_.Core().PutString(CfgStore::kFormatPlugin, L"XML");
    ASSERT_EQ(store_.SaveConfiguration(kPrinter, lists_), S_OK);

    // The next start of the engine: new objects with their own defaults.
    lists_.UnloadTransports();
    lists_.UnloadFormats();
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    http.updateCalls = 0;
    xml.updateCalls = 0;
    SetCoreDefaults(store_.Core());
    ASSERT_EQ(store_.Load(kPrinter, lists_), S_OK);

    TransportRef fileRecord = lists_.FindTransport(L"File");
    ComPtr<IQLX_TPLUGIN> fileObject = fileRecord->Object();
    EXPECT_EQ(Param(fileObject, L"path"), L"C:\\out\\job.txt");
    EXPECT_EQ(Param(fileObject, L"mode"), L"3");
    EXPECT_EQ(Param(fileObject, L"password"), L"s3cret");
    EXPECT_EQ(Param(lists_.FindTransport(L"HTTP")->Object(), L"url"), L"http://127.0.0.1/");
    EXPECT_EQ(Param(lists_.FindFormat(L"XML")->Object(), L"indent"), L"4");
    EXPECT_EQ(http.updateCalls, 1);
    EXPECT_EQ(http.lastUpdateReason, 0);
    EXPECT_EQ(xml.updateCalls, 1);
    EXPECT_TRUE(fileRecord->Enabled());
    EXPECT_TRUE(lists_.FindTransport(L"HTTP")->Enabled());
    EXPECT_FALSE(lists_.FindTransport(L"Mail")->Enabled());
    ASSERT_TRUE(lists_.SelectedFormat());
    EXPECT_EQ(lists_.SelectedFormat(), lists_.FindFormat(L"XML"));

    // Read back through the store's view of the record.
    PluginParams* params = lists_.Params(kTransports, IndexOf(kTransports, L"File"));
    ASSERT_NE(params, nullptr);
    ComVariant path;
    EXPECT_EQ(params->GetParam(ComBstr(L"path"), &path), S_OK);
    EXPECT_EQ(TextOf(path), L"C:\\out\\job.txt");
    EXPECT_EQ(file.Get(L"path").text.c_str(), std::wstring(L"C:\\out\\job.txt"));
}

// A printer without a stored configuration: every plug-in that has an object resets itself and
// its section takes the plug-in's own defaults.
TEST_F(PluginListsTest, PluginsWithoutStoredSectionTakeTheirOwnDefaults) {
    FakePluginClass& file =
        RegisterTransport(L"File", L"Bpath,Lmode",
                          {{L"path", ComVariant(L"C:\\default")}, {L"mode", ComVariant(7L)}});
    FakePluginClass& http = RegisterTransport(L"HTTP", L"Burl", {{L"url", ComVariant(L"x")}});
    FakePluginClass& xml = RegisterFormat(L"XML", L"Lindent", {{L"indent", ComVariant(2L)}});
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";
    TransportRef httpRecord = lists_.FindTransport(L"HTTP");
    httpRecord->SetObject(nullptr);
    httpRecord->config.SetChanged(true);

    EXPECT_EQ(store_.Load(kPrinter, lists_), E_FAIL); // nothing stored anywhere
    InitPluginConfigs(lists_);

    CfgData& section = lists_.FindTransport(L"File")->config;
    EXPECT_STREQ(section.Get(L"path").text.c_str(), L"C:\\default");
    EXPECT_EQ(section.Get(L"mode").number, 7);
    EXPECT_FALSE(section.Changed());
    EXPECT_EQ(file.resetCalls, 1);
    EXPECT_EQ(lists_.FindFormat(L"XML")->config.Get(L"indent").number, 2);
    EXPECT_EQ(xml.resetCalls, 1);
    // A record without object keeps its section as it was, no longer marked changed.
    EXPECT_EQ(http.resetCalls, 0);
    EXPECT_STREQ(httpRecord->config.Get(L"url").text.c_str(), L"");
    EXPECT_FALSE(httpRecord->config.Changed());
    ExpectLogged(L"C  info Init Transport Plugin: File");
    ExpectLogged(L"C  info Init Format Plugin: XML");
}

// Names are compared exactly: case, length and spaces count.
TEST_F(PluginListsTest, FindComparesNamesExactly) {
    RegisterTransport(L"File");
    RegisterFormat(L"XML");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";

    ASSERT_TRUE(lists_.FindFormat(L"XML"));
    EXPECT_TRUE(IsOwn(lists_.FindFormat(L"XML")->clsid));
    ASSERT_TRUE(lists_.FindTransport(L"File"));
    EXPECT_TRUE(IsOwn(lists_.FindTransport(L"File")->clsid));
    for (const wchar_t* other : {L"xml", L"Xml", L"XM", L"XML ", L" XML", L""})
        EXPECT_FALSE(lists_.FindFormat(other)) << Narrow(other);
    EXPECT_FALSE(lists_.FindFormat(nullptr));
    EXPECT_FALSE(lists_.FindTransport(L"file"));
    EXPECT_FALSE(lists_.FindTransport(L"XML"));
}

// A released object is made again with the stored values pushed before anyone can reach it;
// a record that has an object keeps it; a class that refuses leaves the record without one; a
// record that was unloaded gets none again.
TEST_F(PluginListsTest, EnsureObjectRecreatesReleasedObjectsWithTheirStoredValues) {
    auto fileClass = FakeTransportClass(L"File", L"Bpath", {{L"path", ComVariant(L"")}});
    Register(fileClass);
    FakePluginClass& xml = RegisterFormat(L"XML");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";

    TransportRef file = lists_.FindTransport(L"File");
    EXPECT_TRUE(file->config.PutValue(L"path", ComVariant(L"C:\\kept")));
    file->SetObject(nullptr);
    EXPECT_EQ(fileClass->alive, 0);
    EXPECT_EQ(lists_.Params(kTransports, IndexOf(kTransports, L"File")), nullptr);

    bool created = false;
    EXPECT_EQ(lists_.EnsureObject(*file, &created), S_OK);
    EXPECT_TRUE(created);
    ComPtr<IQLX_TPLUGIN> object = file->Object();
    EXPECT_EQ(Param(object, L"path"), L"C:\\kept");
    EXPECT_EQ(fileClass->created, 2);
    EXPECT_EQ(fileClass->lastUpdateReason, 0);

    created = true;
    EXPECT_EQ(lists_.EnsureObject(*file, &created), S_OK);
    EXPECT_FALSE(created);
    EXPECT_EQ(file->Object(), object);
    EXPECT_EQ(fileClass->created, 2);

    FormatRef format = lists_.FindFormat(L"XML");
    EXPECT_TRUE(format->config.PutValue(L"indent", ComVariant(9L)));
    format->SetObject(nullptr);
    EXPECT_EQ(lists_.EnsureObject(*format, &created), S_OK);
    EXPECT_TRUE(created);
    EXPECT_EQ(Param(format->Object(), L"indent"), L"9");
    EXPECT_EQ(xml.alive, 1);

    object.Release();
    file->SetObject(nullptr);
    fileClass->createResult = E_ACCESSDENIED;
    created = true;
    EXPECT_EQ(lists_.EnsureObject(*file, &created), E_ACCESSDENIED);
    EXPECT_FALSE(created);
    EXPECT_FALSE(file->Object());
    EXPECT_EQ(lists_.Params(kTransports, IndexOf(kTransports, L"File")), nullptr);

    fileClass->createResult = S_OK;
    lists_.UnloadTransports();
    EXPECT_EQ(lists_.EnsureObject(*file, &created), E_FAIL);
    EXPECT_FALSE(created);
    EXPECT_FALSE(file->Object());
    EXPECT_EQ(fileClass->created, 2);
}

// Call, job and send threads read the lists while they are freed and rebuilt: what a reader
// holds stays usable, and everything is released once nobody holds it.
TEST_F(PluginListsTest, ReadersKeepTheirSnapshotsWhileTheListsAreRebuilt) {
    FakePluginClass& file = RegisterTransport(L"File");
    FakePluginClass& http = RegisterTransport(L"HTTP", L"Burl", {{L"url", ComVariant(L"u")}});
    FakePluginClass& xml = RegisterFormat(L"XML");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";
    InitPluginConfigs(lists_);
    store_.Core().PutString(CfgStore::kFormatPlugin, L"XML");
    ASSERT_EQ(store_.SaveConfiguration(kPrinter, lists_), S_OK);

    // A record held across an unload stays whole; only its object is gone.
    TransportRef held = lists_.FindTransport(L"File");
    ComPtr<IQLX_TPLUGIN> heldObject = held->Object();
    lists_.UnloadTransports();
    EXPECT_STREQ(held->Name().c_str(), L"File");
    EXPECT_FALSE(held->Object());
    EXPECT_TRUE(held->config.Find(L"path"));
    EXPECT_EQ(Param(heldObject, L"path"), L"");
    heldObject.Release();
    held.reset();
    EXPECT_EQ(file.alive, 0);
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);

    std::atomic<bool> stop{false};
    std::atomic<long> reads{0}, loads{0};
    std::atomic<long> failures{0}, wrongValues{0}, failedLoads{0};
    auto transportReader = [&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        while (!stop) {
            for (const TransportRef& record : lists_.Transports()) {
                if (record->Name().Empty())
                    ++failures;
                if (ComPtr<IQLX_TPLUGIN> object = record->Object()) {
                    ComVariant value;
                    const wchar_t* name = record->Name().Equals(L"HTTP") ? L"url" : L"path";
                    if (IsOwn(record->clsid) && object->GetParam(ComBstr(name), &value) != S_OK)
                        ++failures;
                    ++reads;
                }
            }
            if (TransportRef found = lists_.FindTransport(L"HTTP"))
                found->config.Get(L"url");
        }
        CoUninitialize();
    };
    auto formatReader = [&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        while (!stop) {
            if (FormatRef selected = lists_.SelectedFormat()) {
                if (!selected->Name().Equals(L"XML"))
                    ++failures;
                if (ComPtr<IQLX_RPLUGIN> object = selected->Object()) {
                    if (Param(object, L"indent") != L"2")
                        ++wrongValues;
                    ++reads;
                }
            }
        }
        CoUninitialize();
    };
    // The store walks the lists through Count, Section and Params under its own lock.
    auto storeUser = [&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        while (!stop) {
            if (FAILED(store_.Load(kPrinter, lists_)))
                ++failedLoads;
            store_.MarkAllChanged(lists_);
            ++loads;
        }
        CoUninitialize();
    };
    std::thread threads[] = {std::thread(transportReader), std::thread(transportReader),
                             std::thread(formatReader), std::thread(storeUser)};
    for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(lists_.LoadTransports(categories_, nullptr), S_OK);
        EXPECT_EQ(lists_.LoadFormats(categories_, nullptr), S_OK);
        lists_.Select(kFormats, L"XML");
        if (i % 3 == 0)
            lists_.UnloadFormats();
    }
    stop = true;
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(wrongValues, 0);
    EXPECT_EQ(failedLoads, 0);
    EXPECT_GT(reads, 0);
    EXPECT_GT(loads, 0);
    lists_.UnloadTransports();
    lists_.UnloadFormats();
    EXPECT_EQ(file.alive, 0);
    EXPECT_EQ(http.alive, 0);
    EXPECT_EQ(xml.alive, 0);
}

// The selection is a name: unloading leaves no selected record behind, and a reload finds the
// format of that name again, if it is still there.
TEST_F(PluginListsTest, SelectedFormatFollowsItsNameAcrossUnloadAndReload) {
    auto xmlClass = FakeFormatClass(L"XML", L"Lindent", L"xml", {{L"indent", ComVariant(2L)}});
    auto& xmlRegistration = Register(xmlClass);
    RegisterFormat(L"RSS");
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";
    EXPECT_FALSE(lists_.SelectedFormat());

    EXPECT_TRUE(lists_.SelectFormat(L"XML"));
    FormatRef before = lists_.SelectedFormat();
    ASSERT_TRUE(before);
    EXPECT_EQ(before, lists_.FindFormat(L"XML"));
    EXPECT_FALSE(lists_.SelectFormat(L"xml"));
    lists_.Select(kFormats, L"Nope");
    EXPECT_EQ(lists_.SelectedFormat(), before);

    lists_.UnloadFormats();
    EXPECT_FALSE(lists_.SelectedFormat());
    EXPECT_STREQ(before->Name().c_str(), L"XML");
    EXPECT_FALSE(before->Object());

    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    FormatRef after = lists_.SelectedFormat();
    ASSERT_TRUE(after);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, lists_.FindFormat(L"XML"));
    EXPECT_TRUE(after->Object());

    // Gone from the category: no selection, although another format loads.
    for (auto it = registrations_.begin(); it != registrations_.end(); ++it) {
        if (it->get() == &xmlRegistration) {
            registrations_.erase(it);
            break;
        }
    }
    ASSERT_EQ(lists_.LoadFormats(categories_, names_), S_OK);
    EXPECT_TRUE(lists_.FindFormat(L"RSS"));
    EXPECT_FALSE(lists_.SelectedFormat());
}

// A comma-separated list enables exactly the loaded transports it names, reported in list
// order; a list that names none leaves the flags as they were.
TEST_F(PluginListsTest, TransportSelectionKeepsLoadedNamesInListOrder) {
    RegisterTransport(L"File");
    RegisterTransport(L"HTTP");
    RegisterTransport(L"Mail");
    ASSERT_EQ(lists_.LoadTransports(categories_, names_), S_OK);
    if (ForeignNameClash())
        GTEST_SKIP() << "a plug-in registered by others has one of this test's names";

    struct Row {
        const wchar_t* list;
        const wchar_t* result;
        const char* enabled; // F, H, M of the transports enabled afterwards
    };
    const Row rows[] = {
        {L"Mail,File,Mail,Nope", L"File,Mail", "FM"},
        {L" File", L"", "FM"},
        {L"", L"", "FM"},
        {nullptr, L"", "FM"},
        {L"Nope,file", L"", "FM"},
        {L",,HTTP,,", L"HTTP", "H"},
        {L"File,HTTP,Mail", L"File,HTTP,Mail", "FHM"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.list ? Narrow(row.list) : "(null)");
        EXPECT_EQ(lists_.SelectTransports(row.list), row.result);
        std::string enabled;
        for (const wchar_t* name : {L"File", L"HTTP", L"Mail"}) {
            if (lists_.FindTransport(name)->Enabled())
                enabled += static_cast<char>(name[0]);
        }
        EXPECT_EQ(enabled, row.enabled);
    }

    lists_.Select(kTransports, L"Mail");
    EXPECT_TRUE(lists_.FindTransport(L"Mail")->Enabled());
    EXPECT_FALSE(lists_.FindTransport(L"File")->Enabled());
}

} // namespace
