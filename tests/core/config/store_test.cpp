#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "cfg_store.h"
#include "config_fakes.h"
#include "reg_key.h"
#include "scramble.h"
#include "temp_dir.h"
#include "test_product_key.h"

namespace {

constexpr auto kTransports = CfgPlugins::kTransports;
constexpr auto kFormats = CfgPlugins::kFormats;
const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;

ComVariant EmptyArrayVariant() {
    return ByteArrayVariant("");
}

int DataFolderEntries(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

// One engine's configuration over a private product key and data folder: a small core layout,
// the transports "File" and "HTTP" and the format "XML", each with defaults of its own.
// A second rig made from a first one shares its registry key and data folder, as the next run
// of the engine would.
struct Rig {
    explicit Rig(const Rig* first = nullptr)
        : key(first ? first->key.Path() : L""),
          store(&engine, first ? first->dir.File(L"data") : dir.File(L"data")) {
        CreateDirectoryW(DataFolder().c_str(), nullptr);
        store.Core().ParseLayout(L"LCharset,BTransportPlugin,BFormatPlugin,ARPrinterSettings");
        plugins.Add(kTransports, store.Context(), L"File", L"Bpath,Lmode,Asettings,Lwrap", &file);
        plugins.Add(kTransports, store.Context(), L"HTTP", L"Burl,Epassword", &http);
        plugins.Add(kFormats, store.Context(), L"XML", L"Lindent", &xml);
        SetCoreDefaults();
    }

    // Stands in for the core defaults that a printer change sets before loading.
    void SetCoreDefaults() {
        store.Core().PutValue(L"Charset", ComVariant(5L));
        store.Core().PutString(L"TransportPlugin", L"File");
        store.Core().SetChanged(false);
    }

    std::wstring DataFolder() { return store.Context().dataFolder; }
    CfgData& FileSection() { return plugins.Section(kTransports, 0); }
    CfgData& HttpSection() { return plugins.Section(kTransports, 1); }
    CfgValue FileValue(const wchar_t* name) { return FileSection().Get(name); }

    std::wstring Key(const wchar_t* printer, const wchar_t* plugin = nullptr) const {
        return plugin ? CfgStore::PluginKey(printer, plugin) : CfgStore::PrinterKey(printer);
    }
    void SetString(HKEY root, const std::wstring& path, const wchar_t* name,
                   const std::wstring& text) {
        RegKey k;
        ASSERT_TRUE(k.Create(root, path.c_str(), KEY_SET_VALUE));
        RegSetValueExW(k.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value) {
        RegKey k;
        ASSERT_TRUE(k.Create(root, path.c_str(), KEY_SET_VALUE));
        RegSetValueExW(k.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    }
    // The stored REG_SZ, or "<none>".
    std::wstring StoredString(HKEY root, const std::wstring& path, const wchar_t* name) {
        RegKey k;
        if (!k.Open(root, path.c_str(), KEY_READ))
            return L"<none>";
        wchar_t buffer[32768];
        DWORD type = 0, bytes = sizeof(buffer);
        if (RegQueryValueExW(k.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                             &bytes) != ERROR_SUCCESS ||
            type != REG_SZ)
            return L"<none>";
        return std::wstring(buffer);
    }
    bool KeyExists(HKEY root, const std::wstring& path) {
        RegKey k;
        return k.Open(root, path.c_str(), KEY_READ);
    }
    std::string FileBytes(const std::wstring& path) {
        std::string bytes;
        return ReadWholeFile(path, &bytes) ? bytes : "<no file>";
    }

    TestProductKey key;
    TempDir dir;
    FakeEngine engine;
    FakePlugin file{{{L"path", ComVariant(L"d-path")},
                     {L"mode", ComVariant(1L)},
                     {L"settings", EmptyArrayVariant()}}};
    FakePlugin http{{{L"url", ComVariant(L"http://d")}, {L"password", ComVariant(L"")}}};
    FakePlugin xml{{{L"indent", ComVariant(2L)}}};
    CfgStore store;
    FakePlugins plugins;
};

TEST(CfgStoreLoad, TakesTheWholeConfigurationFromTheTreeThatHoldsTheCoreSection) {
    struct Case {
        const char* name;
        bool userCore, userCharset, userFile, machineCore, machineFile;
        HRESULT hr;
        LONG charset;
        const wchar_t* path;     // File's "path" afterwards, in the section and the plug-in
        const wchar_t* selected; // transports selected from the loaded core section
        int resets;              // File plug-in reset to its defaults
    } cases[] = {
        {"user tree whole", true, true, true, true, true, S_OK, 1, L"u-path", L"HTTP", 0},
        {"user tree absent", false, false, false, true, true, S_OK, 2, L"m-path", L"File", 0},
        {"user plug-in section missing", true, true, false, true, true, S_OK, 1, L"d-path", L"HTTP",
         1},
        {"user core without a value keeps its default", true, false, true, false, false, S_OK, 5,
         L"u-path", L"HTTP", 0},
        {"machine plug-in section missing", false, false, false, true, false, S_OK, 2, L"d-path",
         L"File", 1},
        {"nothing stored", false, false, false, false, false, E_FAIL, 5, L"before", L"", 0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.FileSection().PutValue(L"path", ComVariant(L"before"));
        if (c.userCore) {
            rig.SetString(kUser, rig.Key(L"P"), L"TransportPlugin", L"HTTP");
            if (c.userCharset)
                rig.SetDword(kUser, rig.Key(L"P"), L"Charset", 1);
        }
        if (c.userFile)
            rig.SetString(kUser, rig.Key(L"P", L"File"), L"path", L"u-path");
        if (c.machineCore) {
            rig.SetString(kMachine, rig.Key(L"P"), L"TransportPlugin", L"File");
            rig.SetDword(kMachine, rig.Key(L"P"), L"Charset", 2);
        }
        if (c.machineFile)
            rig.SetString(kMachine, rig.Key(L"P", L"File"), L"path", L"m-path");

        EXPECT_EQ(rig.store.Load(L"P", rig.plugins), c.hr) << c.name;
        EXPECT_EQ(rig.store.Core().Get(L"Charset").number, c.charset) << c.name;
        EXPECT_STREQ(rig.FileValue(L"path").text.c_str(), c.path) << c.name;
        EXPECT_EQ(rig.plugins.selected[kTransports], c.selected) << c.name;
        EXPECT_EQ(rig.file.resetCalls, c.resets) << c.name;
        if (SUCCEEDED(c.hr)) {
            EXPECT_STREQ(rig.file.values[L"path"].bstrVal, c.path) << c.name << ": pushed";
            EXPECT_EQ(rig.xml.updateCalls + rig.xml.resetCalls, 1) << c.name;
            EXPECT_FALSE(rig.store.Core().Changed()) << c.name;
        }
    }
}

TEST(CfgStoreLoad, PluginWithoutAnObjectIsLeftAlone) {
    Rig rig;
    rig.plugins.records[kFormats][0].plugin = nullptr;
    rig.SetString(kUser, rig.Key(L"P"), L"FormatPlugin", L"XML");
    rig.SetDword(kUser, rig.Key(L"P", L"XML"), L"indent", 8);
    ASSERT_EQ(rig.store.Load(L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.plugins.selected[kFormats], L"XML");
    EXPECT_EQ(rig.plugins.Section(kFormats, 0).Get(L"indent").number, 0);
}

// Stored names that no loaded plug-in has select the first plug-in of each list, as for a
// printer without configuration, and the core section says so; a list naming at least one
// loaded plug-in is taken as it is.
TEST(CfgStoreLoad, StoredNamesThatSelectNothingFallBackToTheFirstPlugin) {
    struct Case {
        const wchar_t* transports;
        const wchar_t* format;
        const wchar_t* selectedTransports;
        const wchar_t* storedTransports;
        const wchar_t* storedFormat;
    } cases[] = {
        {L"Gone", L"Gone", L"File", L"File", L"XML"},
        {L"Gone,HTTP", L"XML", L"Gone,HTTP", L"Gone,HTTP", L"XML"},
        {L"", L"xml", L"File", L"File", L"XML"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.transports, c.transports + wcslen(c.transports)));
        Rig rig;
        rig.engine.uiLoaded = 1;
        rig.SetString(kUser, rig.Key(L"P"), L"TransportPlugin", c.transports);
        rig.SetString(kUser, rig.Key(L"P"), L"FormatPlugin", c.format);
        rig.engine.events.clear();
        ASSERT_EQ(rig.store.Load(L"P", rig.plugins), S_OK);
        EXPECT_EQ(rig.plugins.selected[kTransports], c.selectedTransports);
        EXPECT_EQ(rig.plugins.selected[kFormats], L"XML");
        EXPECT_STREQ(rig.store.Core().Get(L"TransportPlugin").text.c_str(), c.storedTransports);
        EXPECT_STREQ(rig.store.Core().Get(L"FormatPlugin").text.c_str(), c.storedFormat);
        EXPECT_FALSE(rig.store.Core().Changed());
        EXPECT_TRUE(rig.engine.events.empty());
    }
}

// A load that falls back to the machine-wide tree, or fails there too, must leave later saves
// and loads in the per-user tree.
TEST(CfgStoreLoad, FallbackLeavesLaterSavesInTheUserTree) {
    for (bool machineHasIt : {true, false}) {
        Rig rig;
        if (machineHasIt)
            rig.SetDword(kMachine, rig.Key(L"P"), L"Charset", 2);
        rig.store.Load(L"P", rig.plugins);
        rig.engine.uiLoaded = 1;
        rig.store.Core().PutValue(L"Charset", ComVariant(3L));
        ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"P", rig.plugins), S_OK) << machineHasIt;

        RegKey user;
        EXPECT_TRUE(rig.KeyExists(kUser, rig.Key(L"P"))) << machineHasIt;
        EXPECT_TRUE(rig.KeyExists(kUser, rig.Key(L"P", L"File")))
            << machineHasIt << ": the user tree gets a whole configuration";
        DWORD machineCharset = 0;
        RegKey machine;
        if (machine.Open(kMachine, rig.Key(L"P").c_str(), KEY_READ)) {
            DWORD bytes = sizeof(machineCharset);
            RegQueryValueExW(machine.Get(), L"Charset", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&machineCharset), &bytes);
        }
        EXPECT_EQ(machineCharset, machineHasIt ? 2u : 0u) << "machine-wide tree untouched";

        Rig again(&rig);
        ASSERT_EQ(again.store.Load(L"P", again.plugins), S_OK);
        EXPECT_EQ(again.store.Core().Get(L"Charset").number, 3);
    }
}

TEST(CfgStoreSave, WritesChangedSectionsOnlyAndSaveConfigurationWritesAll) {
    Rig rig;
    rig.SetString(kUser, rig.Key(L"P"), L"TransportPlugin", L"File");
    rig.SetString(kUser, rig.Key(L"P", L"File"), L"path", L"stored");
    rig.SetString(kUser, rig.Key(L"P", L"HTTP"), L"url", L"http://stored");
    ASSERT_EQ(rig.store.Load(L"P", rig.plugins), S_OK);

    // No user interface: the edit does not mark the section, so a plain save skips it.
    rig.FileSection().PutValue(L"path", ComVariant(L"edited"));
    ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"File"), L"path"), L"stored");

    // With a user interface only the edited section is written.
    rig.engine.uiLoaded = 1;
    rig.HttpSection().PutValue(L"url", ComVariant(L"http://edited"));
    EXPECT_TRUE(rig.HttpSection().Changed());
    ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"P", rig.plugins), S_OK);
    EXPECT_FALSE(rig.HttpSection().Changed());
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"HTTP"), L"url"), L"http://edited");
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"File"), L"path"), L"stored");

    ASSERT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"File"), L"path"), L"edited");
    EXPECT_FALSE(rig.KeyExists(kMachine, rig.Key(L"P")));

    ASSERT_EQ(rig.store.SaveCommonConfiguration(L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.StoredString(kMachine, rig.Key(L"P", L"File"), L"path"), L"edited");
    EXPECT_EQ(rig.StoredString(kMachine, rig.Key(L"P", L"XML"), L"indent"), L"<none>")
        << "a long is a DWORD";
}

TEST(CfgStoreSave, ProtectedAndLongStringsComeBackWhole) {
    const std::wstring longText(20000, L'x');
    std::wstring longSecret;
    for (int i = 0; i < 20000; ++i)
        longSecret += static_cast<wchar_t>(L' ' + i % 95);
    struct Case {
        const char* name;
        const wchar_t* param;
        std::wstring text;
    } cases[] = {
        {"protected", L"password", L"s3cret pass!"},
        {"protected, not ASCII", L"password", L"\u00e9t\u00e9"},
        {"20000 characters", L"url", longText},
        {"20000 protected characters", L"password", longSecret},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.HttpSection().PutValue(c.param, ComVariant(c.text.c_str()));
        ASSERT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), S_OK) << c.name;

        const std::wstring stored = rig.StoredString(kUser, rig.Key(L"P", L"HTTP"), c.param);
        EXPECT_EQ(stored.size(), c.text.size()) << c.name;
        if (WStringEquals(c.param, L"password")) {
            WStringBase scrambled;
            ScrambleString(scrambled, c.text.c_str());
            EXPECT_EQ(stored, scrambled.c_str()) << c.name << ": stored scrambled";
        }

        Rig again(&rig);
        ASSERT_EQ(again.store.Load(L"P", again.plugins), S_OK) << c.name;
        EXPECT_TRUE(again.HttpSection().Get(c.param).text.Equals(c.text.c_str())) << c.name;
        EXPECT_EQ(again.HttpSection().Get(c.param).text.Length(), c.text.size()) << c.name;
        EXPECT_STREQ(again.http.values[c.param].bstrVal, c.text.c_str()) << c.name;
    }
}

TEST(CfgStoreSave, ByteArrayRoundTripsThroughItsFile) {
    Rig rig;
    const std::string bytes("\x00\x01\xfe\xff settings", 14);
    rig.FileSection().PutValue(L"settings", ByteArrayVariant(bytes));
    ASSERT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), S_OK);

    const std::wstring path = rig.StoredString(kUser, rig.Key(L"P", L"File"), L"settings");
    EXPECT_EQ(path.rfind(rig.DataFolder() + L"prn", 0), 0u) << "in the data folder";
    EXPECT_EQ(rig.FileBytes(path), bytes);
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P"), L"RPrinterSettings"), L"")
        << "an empty array stores an empty path";

    // Saved again, the same file is rewritten.
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("second"));
    ASSERT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"File"), L"settings"), path);
    EXPECT_EQ(rig.FileBytes(path), "second");

    Rig again(&rig);
    ASSERT_EQ(again.store.Load(L"P", again.plugins), S_OK);
    EXPECT_EQ(BytesOf(again.FileValue(L"settings").bytes), "second");
    EXPECT_EQ(BytesOf(again.file.values[L"settings"]), "second");

    // An empty array keeps the file until it is saved, then the path and the file go.
    again.FileSection().PutValue(L"settings", EmptyArrayVariant());
    EXPECT_TRUE(FileExists(path));
    ASSERT_EQ(again.store.SaveConfiguration(L"P", again.plugins), S_OK);
    EXPECT_EQ(again.StoredString(kUser, again.Key(L"P", L"File"), L"settings"), L"");
    EXPECT_FALSE(FileExists(path));
}

TEST(CfgStoreSave, UnreadableArrayFileLoadsAsEmpty) {
    Rig rig;
    rig.SetString(kUser, rig.Key(L"P"), L"TransportPlugin", L"File");
    rig.SetString(kUser, rig.Key(L"P", L"File"), L"settings", rig.DataFolder() + L"gone.tmp");
    ASSERT_EQ(rig.store.Load(L"P", rig.plugins), S_OK);
    const CfgValue value = rig.FileValue(L"settings");
    EXPECT_EQ(BytesOf(value.bytes), "");
    EXPECT_STREQ(value.text.c_str(), L"");
}

TEST(CfgStoreSave, FailedFileWriteIsReportedAndKeepsWhatWasStored) {
    Rig rig;
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("old bytes"));
    ASSERT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), S_OK);
    const std::wstring path = rig.StoredString(kUser, rig.Key(L"P", L"File"), L"settings");

    // The stored file can't be replaced: a directory has taken its name.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    rig.engine.uiLoaded = 1;
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("new bytes"));
    rig.FileSection().PutValue(L"wrap", ComVariant(7L));
    EXPECT_EQ(rig.store.Save(CfgTree::kUser, L"P", rig.plugins), E_FAIL);
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"File"), L"settings"), path);
    DWORD stored = 0;
    RegKey fileKey;
    ASSERT_TRUE(fileKey.Open(HKEY_CURRENT_USER, rig.Key(L"P", L"File").c_str(), KEY_READ));
    DWORD bytes = sizeof(stored);
    EXPECT_EQ(RegQueryValueExW(fileKey.Get(), L"wrap", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(&stored), &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(stored, 7u) << "the section's other values are still saved";
    EXPECT_TRUE(rig.FileSection().Changed()) << "kept for another try";
    EXPECT_EQ(DataFolderEntries(rig.DataFolder()), 1) << "no half-made file is left behind";

    ASSERT_TRUE(RemoveDirectoryW(path.c_str()));
    EXPECT_EQ(rig.store.Save(CfgTree::kUser, L"P", rig.plugins), S_OK);
    EXPECT_EQ(rig.FileBytes(path), "new bytes");

    // No data folder: no file name can be made, and that is a failure too.
    Rig noFolder;
    RemoveDirectoryW(noFolder.DataFolder().c_str());
    noFolder.FileSection().PutValue(L"settings", ByteArrayVariant("bytes"));
    EXPECT_EQ(noFolder.store.SaveConfiguration(L"P", noFolder.plugins), E_FAIL);
    EXPECT_EQ(noFolder.StoredString(kUser, noFolder.Key(L"P", L"File"), L"settings"), L"<none>");
}

TEST(CfgStoreSave, FilesBelongToOnePrinterAndOneTree) {
    Rig rig;
    rig.engine.uiLoaded = 1;
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("printer A"));
    ASSERT_EQ(rig.store.SaveConfiguration(L"A", rig.plugins), S_OK);
    const std::wstring fileA = rig.StoredString(kUser, rig.Key(L"A", L"File"), L"settings");

    // Printer B has a core section but nothing for File: File is reset, and B's bytes go to a
    // file of B's own.
    rig.SetString(kUser, rig.Key(L"B"), L"TransportPlugin", L"File");
    ASSERT_EQ(rig.store.Load(L"B", rig.plugins), S_OK);
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("printer B"));
    ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"B", rig.plugins), S_OK);
    const std::wstring fileB = rig.StoredString(kUser, rig.Key(L"B", L"File"), L"settings");
    EXPECT_NE(fileB, fileA);
    EXPECT_EQ(rig.FileBytes(fileA), "printer A");
    EXPECT_EQ(rig.FileBytes(fileB), "printer B");

    // Emptied on B, B's file goes and A's stays.
    rig.FileSection().PutValue(L"settings", EmptyArrayVariant());
    ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"B", rig.plugins), S_OK);
    EXPECT_FALSE(FileExists(fileB));
    EXPECT_EQ(rig.FileBytes(fileA), "printer A");

    // Back on A: the machine-wide tree gets a file of its own, which later per-user saves
    // leave alone; a per-user load that empties the array does not delete it either.
    ASSERT_EQ(rig.store.Load(L"A", rig.plugins), S_OK);
    ASSERT_EQ(rig.store.SaveCommonConfiguration(L"A", rig.plugins), S_OK);
    const std::wstring fileM = rig.StoredString(kMachine, rig.Key(L"A", L"File"), L"settings");
    EXPECT_NE(fileM, fileA);
    rig.FileSection().PutValue(L"settings", ByteArrayVariant("user only"));
    ASSERT_EQ(rig.store.Save(CfgTree::kUser, L"A", rig.plugins), S_OK);
    EXPECT_EQ(rig.FileBytes(fileA), "user only");
    EXPECT_EQ(rig.FileBytes(fileM), "printer A");
    rig.FileSection().PutValue(L"settings", EmptyArrayVariant());
    ASSERT_EQ(rig.store.SaveConfiguration(L"A", rig.plugins), S_OK);
    EXPECT_FALSE(FileExists(fileA));
    EXPECT_EQ(rig.FileBytes(fileM), "printer A");
}

TEST(CfgStoreSave, FailingPluginSectionFailsTheSaveButTheOthersAreWritten) {
    Rig rig;
    // A plug-in whose key can't be created: its name is not a valid key name.
    rig.plugins.Add(kFormats, rig.store.Context(), L"", L"Lindent", &rig.xml);
    rig.plugins.Add(kFormats, rig.store.Context(), L"ZLast", L"Bname", &rig.xml);
    rig.plugins.Section(kFormats, 2).PutValue(L"name", ComVariant(L"last"));
    // An over-long value name can't be set.
    rig.HttpSection().Set(std::wstring(20000, L'n').c_str(), CfgValue(kCfgLong));
    EXPECT_EQ(rig.store.SaveConfiguration(L"P", rig.plugins), E_FAIL);
    EXPECT_TRUE(rig.HttpSection().Changed());
    EXPECT_EQ(rig.StoredString(kUser, rig.Key(L"P", L"ZLast"), L"name"), L"last");
}

// A printer change clears and refills the core section under the store's lock; other threads
// never see it half-done.
TEST(CfgStoreLock, PrinterChangeIsSeenWholeByOtherThreads) {
    Rig rig;
    rig.SetString(kUser, rig.Key(L"P"), L"TransportPlugin", L"File");
    rig.SetString(kUser, rig.Key(L"P", L"File"), L"path", std::wstring(500, L'p'));
    // Loaded once before the reader starts: the plug-in's own default is neither length.
    ASSERT_EQ(rig.store.Load(L"P", rig.plugins), S_OK);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            if (!rig.store.Core().Find(L"Charset"))
                ++torn;
            ComVariant path;
            rig.FileSection().GetValue(L"path", &path);
            const UINT length = path.vt == VT_BSTR ? SysStringLen(path.bstrVal) : 0;
            if (length != 500 && length != 300)
                ++torn;
            rig.FileSection().PutValue(L"path", ComVariant(std::wstring(300, L'q').c_str()));
        }
    });
    for (int i = 0; i < 300; ++i) {
        CfgLockGuard guard(rig.store.Lock());
        rig.store.Core().Clear();
        rig.store.Core().ParseLayout(L"LCharset,BTransportPlugin,BFormatPlugin");
        rig.store.Load(L"P", rig.plugins);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}

} // namespace
