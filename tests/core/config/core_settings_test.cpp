#include <gtest/gtest.h>

#include <string>

#include "cfg_store.h"
#include "com_variant.h"
#include "config_fakes.h"
#include "core_options.h"
#include "core_schema.h"
#include "reg_key.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

struct Setting {
    const wchar_t* name;
    LONG kind;
    bool exposed;
    LONG number;
    const wchar_t* text;
};

// The core section as a printer without stored values has it.
const Setting kExpectedDefaults[] = {
    {L"Charset", kCfgLong, true, 5, L""},
    {L"UnixEOL", kCfgLong, true, 0, L""},
    {L"PageBreak", kCfgLong, true, 0, L""},
    {L"UnicodePrefix", kCfgLong, true, 1, L""},
    {L"FormatPlugin", kCfgString, false, 0, L"Formatted"},
    {L"TransportPlugin", kCfgString, false, 0, L"File"},
    {L"RedirectPrinter", kCfgString, false, 0, L"Disable"},
    {L"RTextFont", kCfgString, true, 0, L"Default"},
    {L"RPrinterSettings", kCfgByteArray, true, 0, L""},
    {L"REMFTop", kCfgLong, true, 0, L""},
    {L"REMFBottom", kCfgLong, true, 0, L""},
    {L"REMFLeft", kCfgLong, true, 0, L""},
    {L"REMFRight", kCfgLong, true, 0, L""},
    {L"REMFCompatibility", kCfgLong, true, 0, L""},
    {L"REMFConstrain", kCfgLong, true, 1, L""},
    {L"REMFMargins", kCfgLong, true, 0, L""},
    {L"RTextSize", kCfgLong, true, 10, L""},
    {L"RTextWeight", kCfgLong, true, 400, L""},
};

// A core section with a user interface connected, so that changes would mark it.
class CoreSchemaTest : public testing::Test {
protected:
    CoreSchemaTest() { engine_.uiLoaded = 1; }

    FakeEngine engine_;
    TestProductKey key_;
    TempDir dir_;
    CfgStore store_{&engine_, dir_.Path()};
    CfgData& core_ = store_.Core();
};

TEST_F(CoreSchemaTest, DeclaresEveryValueFreshWithItsKindAndExposure) {
    core_.PutValue(L"Charset", ComVariant(1252L));
    ASSERT_TRUE(core_.Changed());

    DeclareCoreSchema(core_);
    EXPECT_FALSE(core_.Changed());
    for (const Setting& s : kExpectedDefaults) {
        CfgValue value;
        ASSERT_TRUE(core_.Find(s.name, &value)) << Narrow(s.name);
        EXPECT_EQ(value.kind, s.kind) << Narrow(s.name);
        EXPECT_EQ(value.exposed, s.exposed) << Narrow(s.name);
        EXPECT_EQ(value.number, 0) << Narrow(s.name);
        EXPECT_TRUE(value.text.Empty()) << Narrow(s.name);
        EXPECT_EQ(value.bytes.Array(), nullptr) << Narrow(s.name);
    }
}

TEST_F(CoreSchemaTest, DefaultsReplaceThePreviousPrintersValuesSilently) {
    DeclareCoreSchema(core_);
    // What the previous printer left: changed values and a settings array kept in a file.
    for (const Setting& s : kExpectedDefaults) {
        if (s.kind == kCfgLong)
            core_.PutValue(s.name, ComVariant(77L));
        else if (s.kind == kCfgString)
            core_.PutString(s.name, L"previous");
    }
    ASSERT_TRUE(core_.PutValue(L"RPrinterSettings", ByteArrayVariant("DEVMODE")));
    ASSERT_EQ(core_.int_Save(HKEY_CURRENT_USER, CfgStore::PrinterKey(L"Previous")), S_OK);
    const std::wstring previousFile = core_.Get(L"RPrinterSettings").text.c_str();
    ASSERT_FALSE(previousFile.empty());
    core_.SetChanged(true);
    engine_.events.clear();

    SetCoreDefaults(core_);
    EXPECT_FALSE(core_.Changed());
    EXPECT_TRUE(engine_.events.empty()) << "defaults are no client's change";
    for (const Setting& s : kExpectedDefaults) {
        CfgValue value;
        ASSERT_TRUE(core_.Find(s.name, &value)) << Narrow(s.name);
        EXPECT_EQ(value.kind, s.kind) << Narrow(s.name);
        EXPECT_EQ(value.exposed, s.exposed) << Narrow(s.name);
        EXPECT_EQ(value.number, s.number) << Narrow(s.name);
        EXPECT_EQ(Narrow(value.text.c_str()), Narrow(s.text)) << Narrow(s.name);
    }

    // An empty array, not a missing one; the previous printer's file stays its own.
    ComVariant settings;
    ASSERT_EQ(core_.GetValue(L"RPrinterSettings", &settings), S_OK);
    ASSERT_EQ(settings.vt, VT_ARRAY | VT_UI1);
    ASSERT_NE(settings.parray, nullptr);
    EXPECT_EQ(BytesOf(settings), "");
    ASSERT_EQ(core_.PutValue(L"RPrinterSettings", ByteArrayVariant("NEW")), true);
    core_.SetChanged(true);
    ASSERT_EQ(core_.int_Save(HKEY_CURRENT_USER, CfgStore::PrinterKey(L"Next")), S_OK);
    EXPECT_NE(Narrow(core_.Get(L"RPrinterSettings").text.c_str()), Narrow(previousFile));
    std::string previousBytes;
    ASSERT_TRUE(ReadWholeFile(previousFile, &previousBytes));
    EXPECT_EQ(previousBytes, "DEVMODE");
}

TEST_F(CoreSchemaTest, StoredValuesLoadOverTheDefaultsAndTheRestKeepThem) {
    DeclareCoreSchema(core_);
    {
        RegKey printer;
        ASSERT_TRUE(printer.Create(HKEY_CURRENT_USER, CfgStore::PrinterKey(L"Stored").c_str(),
                                   KEY_SET_VALUE));
        const DWORD charset = 1251;
        RegSetValueExW(printer.Get(), L"Charset", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&charset), sizeof(charset));
        const wchar_t font[] = L"Courier New";
        RegSetValueExW(printer.Get(), L"RTextFont", 0, REG_SZ, reinterpret_cast<const BYTE*>(font),
                       sizeof(font));
    }
    SetCoreDefaults(core_);
    FakePlugins plugins;
    ASSERT_EQ(store_.Load(L"Stored", plugins), S_OK);

    EXPECT_EQ(core_.Get(L"Charset").number, 1251);
    EXPECT_STREQ(core_.Get(L"RTextFont").text.c_str(), L"Courier New");
    EXPECT_EQ(core_.Get(L"UnicodePrefix").number, 1);
    EXPECT_EQ(core_.Get(L"RTextWeight").number, 400);
    EXPECT_STREQ(core_.Get(L"TransportPlugin").text.c_str(), L"File");
    EXPECT_EQ(plugins.selected[CfgPlugins::kTransports], L"File");
    EXPECT_EQ(plugins.selected[CfgPlugins::kFormats], L"Formatted");
}

TEST(InitPluginConfigs, SectionsTakeEachPluginsOwnDefaultsAndStayUnchanged) {
    FakeEngine engine;
    engine.uiLoaded = 1;
    CfgContext context;
    context.engine = &engine;
    FakePlugin file{{{L"path", ComVariant(L"c:\\out.txt")}, {L"mode", ComVariant(2L)}}};
    FakePlugin xml{{{L"indent", ComVariant(4L)}}};
    file.values[L"mode"] = ComVariant(9L); // set by an earlier printer
    FakePlugins plugins;
    plugins.Add(CfgPlugins::kTransports, context, L"File", L"Bpath,Lmode", &file);
    plugins.Add(CfgPlugins::kTransports, context, L"Gone", L"Lx", nullptr);
    plugins.Add(CfgPlugins::kFormats, context, L"XML", L"Lindent", &xml);
    for (auto& group : plugins.records)
        for (auto& record : group)
            record.config->SetChanged(true);

    InitPluginConfigs(plugins);

    EXPECT_EQ(file.resetCalls, 1);
    EXPECT_EQ(xml.resetCalls, 1);
    CfgData& fileSection = plugins.Section(CfgPlugins::kTransports, 0);
    EXPECT_STREQ(fileSection.Get(L"path").text.c_str(), L"c:\\out.txt");
    EXPECT_EQ(fileSection.Get(L"mode").number, 2);
    EXPECT_EQ(plugins.Section(CfgPlugins::kFormats, 0).Get(L"indent").number, 4);
    for (auto& group : plugins.records)
        for (auto& record : group)
            EXPECT_FALSE(record.config->Changed()) << Narrow(record.config->Section().c_str());
}

// Options in a private product key: per-user values under HKEY_CURRENT_USER, the others
// under HKEY_LOCAL_MACHINE.
class CoreOptionsTest : public testing::Test {
protected:
    TestProductKey key_;
};

TEST_F(CoreOptionsTest, MissingValuesGiveTheDefaults) {
    const CoreOptions options = ReadCoreOptions();
    EXPECT_EQ(options.identity, 1u);
    EXPECT_EQ(options.autosave, 0u);
    EXPECT_EQ(options.wait_ui_loaded, 0u);
    EXPECT_EQ(options.async_events, 0u);
    EXPECT_EQ(options.async_processing, 1u);
    EXPECT_EQ(options.print_timeout, 30u);
    EXPECT_EQ(Narrow(options.driver_path), "c:\\");
    EXPECT_EQ(Narrow(options.spool_folder), "c:\\temp\\");
    EXPECT_EQ(Narrow(options.data_folder), "c:\\data\\");
}

TEST_F(CoreOptionsTest, MachineWideOptionsComeFromTheMachineTreeOnly) {
    const struct {
        const wchar_t* name;
        DWORD CoreOptions::*field;
    } cases[] = {
        {L"WaitUILoaded", &CoreOptions::wait_ui_loaded},
        {L"AsyncEvents", &CoreOptions::async_events},
        {L"AsyncProcessing", &CoreOptions::async_processing},
        {L"PrintTimeout", &CoreOptions::print_timeout},
    };
    for (const auto& c : cases) {
        key_.SetDword(HKEY_CURRENT_USER, c.name, 500);
        const DWORD defaultValue = ReadCoreOptions().*c.field;
        EXPECT_NE(defaultValue, 500u) << Narrow(c.name) << ": the per-user value is not read";
        key_.SetDword(HKEY_LOCAL_MACHINE, c.name, 7);
        EXPECT_EQ(ReadCoreOptions().*c.field, 7u) << Narrow(c.name);
    }
}

TEST_F(CoreOptionsTest, AutosaveOfTheUserOrElseOfTheMachine) {
    const struct {
        long user, machine; // -1: missing
        DWORD expected;
    } cases[] = {
        {-1, -1, 0}, {-1, 1, 1}, {2, 1, 1}, {2, -1, 0}, {0, 1, 0}, {1, 0, 1}, {1, -1, 1},
    };
    for (const auto& c : cases) {
        key_.Delete(HKEY_CURRENT_USER, L"Autosave");
        key_.Delete(HKEY_LOCAL_MACHINE, L"Autosave");
        if (c.user >= 0)
            key_.SetDword(HKEY_CURRENT_USER, L"Autosave", static_cast<DWORD>(c.user));
        if (c.machine >= 0)
            key_.SetDword(HKEY_LOCAL_MACHINE, L"Autosave", static_cast<DWORD>(c.machine));
        const CoreOptions options = ReadCoreOptions();
        EXPECT_EQ(options.autosave, c.expected) << "user " << c.user << " machine " << c.machine;
        EXPECT_EQ(options.autosave_as_read, c.expected)
            << "user " << c.user << " machine " << c.machine;
    }
}

TEST_F(CoreOptionsTest, DriverPathEndsInABackslashBeforeItsFoldersAreAppended) {
    const struct {
        const wchar_t* stored;
        const char* expected;
    } cases[] = {
        {L"d:\\Quorvane", "d:\\Quorvane\\"},
        {L"d:\\Quorvane\\", "d:\\Quorvane\\"},
        {L"", "c:\\"},
    };
    for (const auto& c : cases) {
        key_.SetString(HKEY_LOCAL_MACHINE, L"DriverPath", c.stored);
        const CoreOptions options = ReadCoreOptions();
        EXPECT_EQ(Narrow(options.driver_path), c.expected) << Narrow(c.stored);
        EXPECT_EQ(Narrow(options.spool_folder), std::string(c.expected) + "temp\\");
        EXPECT_EQ(Narrow(options.data_folder), std::string(c.expected) + "data\\");
    }
}

TEST_F(CoreOptionsTest, IdentityIsWrittenBackOnlyWhenItChanged) {
    key_.SetDword(HKEY_LOCAL_MACHINE, L"Identity", 900); // machine-wide is not the counter
    CoreOptions options = ReadCoreOptions();
    EXPECT_EQ(options.identity, 1u);
    EXPECT_TRUE(SaveChangedIdentity(options));
    DWORD stored = 0;
    ReadRegDword(HKEY_CURRENT_USER, &stored, 12345, L"Identity");
    EXPECT_EQ(stored, 12345u) << "an unchanged counter is not written";

    options.identity = 42;
    EXPECT_TRUE(SaveChangedIdentity(options));
    ReadRegDword(HKEY_CURRENT_USER, &stored, 12345, L"Identity");
    EXPECT_EQ(stored, 42u);
    EXPECT_EQ(ReadCoreOptions().identity, 42u);
}

} // namespace
