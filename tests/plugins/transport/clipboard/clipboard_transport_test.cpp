#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "clipboard_object.h"
#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "fake_rendered_collection.h"
#include "recorded_launches.h"
#include "reg_key.h"
#include "temp_dir.h"
#include "transport_events.h"
#include "transport_paths.h"

namespace {

constexpr int kReadOk = 0;
constexpr int kCannotOpen = 2;
constexpr int kNoText = 3;

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// Another program may hold the clipboard for a moment: a few tries. A reader opens it for a
// window of its own, as programs do: Wine lets an opener without a window in while another
// one without a window holds it, so only a window shows that the clipboard was left open.
bool OpenClipboardSoon(HWND window = nullptr) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(window))
            return true;
        Sleep(20);
    }
    return false;
}

// Child: the clipboard's text in one format (13 Unicode, 1 ANSI), up to its terminator, into
// a file. Exit 0, or kCannotOpen, or kNoText when the clipboard holds no text of that format.
QLX_TEST_CHILD(ReadClipboard) {
    if (argc < 2)
        return 90;
    const UINT format = wcstoul(argv[0], nullptr, 10);
    HWND window = CreateWindowExW(0, L"STATIC", L"reader", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (!window || !OpenClipboardSoon(window))
        return kCannotOpen;
    std::string bytes;
    int result = kNoText;
    if (HANDLE data = GetClipboardData(format)) {
        const SIZE_T size = GlobalSize(data);
        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
            if (format == CF_UNICODETEXT) {
                const wchar_t* wide = reinterpret_cast<const wchar_t*>(text);
                bytes = Utf16Bytes(std::wstring(wide, wcsnlen(wide, size / sizeof(wchar_t))));
            } else {
                bytes.assign(text, strnlen(text, size));
            }
            GlobalUnlock(data);
            result = kReadOk;
        }
    }
    CloseClipboard();
    DestroyWindow(window);
    return WriteWholeFile(argv[1], bytes) ? result : 91;
}

// Child: holds the clipboard open until the named event is set; sets the ready event first.
QLX_TEST_CHILD(HoldClipboard) {
    if (argc < 2)
        return 90;
    UniqueHandle ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[0]));
    UniqueHandle release(OpenEventW(SYNCHRONIZE, FALSE, argv[1]));
    HWND window = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (!ready || !release || !window || !OpenClipboard(window))
        return 92;
    SetEvent(ready.Get());
    WaitForSingleObject(release.Get(), 30000);
    CloseClipboard();
    DestroyWindow(window);
    return 0;
}

// Child, started where the system reports Windows NT 4: one whole-job save of the pages
// given on its command line. Exit 0 when it succeeded.
QLX_TEST_CHILD(SaveAsOldSystem) {
    ComScope com;
    ComPtr<IQLX_TPLUGIN> plugin;
    if (FAILED(ComObject<CXFER_ClipboardObject>::Create(IID_IQLX_TPLUGIN, plugin.AsVoidOut())))
        return 93;
    FakeRenderedCollection pages(std::vector<std::wstring>(argv, argv + argc));
    pages.reportedJobSize = 0; // the block is sized from the text, not from what the core says
    if (FAILED(plugin->StartJob()))
        return 94;
    const HRESULT hr = plugin->Send(&pages, 1, 1);
    plugin->EndJob();
    return SUCCEEDED(hr) ? 0 : 95;
}

// The clipboard transport made in process with its events recorded; a child reads back.
class ClipboardTransport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ComObject<CXFER_ClipboardObject>::Create(IID_IQLX_TPLUGIN, plugin_.AsVoidOut()),
                  S_OK);
        events_ = std::make_unique<TransportEvents>(plugin_.Get(), L"Clipboard");
        ASSERT_TRUE(events_->Connected());
    }
    void TearDown() override { events_.reset(); }

    void Put(const wchar_t* name, const wchar_t* text) {
        ASSERT_EQ(plugin_->PutParam(ComBstr(name), ComVariant(text)), S_OK) << Narrow(name);
    }
    void Put(const wchar_t* name, long number) {
        ASSERT_EQ(plugin_->PutParam(ComBstr(name), ComVariant(number)), S_OK) << Narrow(name);
    }
    HRESULT Save(FakeRenderedCollection& pages, long wholeJob, long page) {
        HRESULT hr = plugin_->StartJob();
        if (FAILED(hr))
            return hr;
        hr = plugin_->Send(&pages, wholeJob, page);
        const HRESULT end = plugin_->EndJob();
        return FAILED(hr) ? hr : end;
    }
    // What a second process reads in that format: its exit code, and the bytes.
    int ReadBack(UINT format, std::string* bytes) {
        const std::wstring file = folder_.File(L"read" + std::to_wstring(++reads_));
        UniqueHandle child =
            StartChild(L"ReadClipboard", std::to_wstring(format) + L" \"" + file + L"\"");
        if (!child)
            return -1;
        const int code = WaitChild(child.Get());
        bytes->clear();
        ReadWholeFile(file, bytes);
        return code;
    }
    std::string UnicodeText() {
        std::string bytes;
        EXPECT_EQ(ReadBack(CF_UNICODETEXT, &bytes), kReadOk);
        return bytes;
    }
    // Puts text on the clipboard as another program would.
    static void PutOldText(const std::wstring& text) {
        ASSERT_TRUE(OpenClipboardSoon());
        EmptyClipboard();
        const size_t size = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        memcpy(GlobalLock(block), text.c_str(), size);
        GlobalUnlock(block);
        EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, block));
        CloseClipboard();
    }

    ComScope com_;
    TempDir folder_;
    int reads_ = 0;
    ComPtr<IQLX_TPLUGIN> plugin_;
    std::unique_ptr<TransportEvents> events_;
};

TEST_F(ClipboardTransport, AWholeJobIsOneTextThatAnotherProcessReads) {
    PutOldText(L"old");
    FakeRenderedCollection pages({L"A", L"B\r\n", L"\u20ac \u65e5\u672c", L"\U0001F600 end"});
    // Pages may change between JobSize and GetItem (the user edits one): the text is sized
    // from what it reads.
    pages.reportedJobSize = 2;
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    EXPECT_EQ(UnicodeText(), Utf16Bytes(L"AB\r\n\u20ac \u65e5\u672c\U0001F600 end"));
    EXPECT_EQ(events_->Take(),
              (std::vector<std::wstring>{L"progress 0", L"progress 25", L"progress 50",
                                         L"progress 75", L"progress 100"}));
    EXPECT_EQ(pages.getItemsRead, (std::vector<long>{0, 1, 2, 3}));
    EXPECT_TRUE(pages.itemsRead.empty()) << "the stored texts, not the converted pages";
}

TEST_F(ClipboardTransport, APageSaveCarriesThatPageAlone) {
    FakeRenderedCollection pages({L"first", L"second", L"third"});
    ASSERT_EQ(Save(pages, 0, 2), S_OK);
    EXPECT_EQ(UnicodeText(), Utf16Bytes(L"second"));
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 100}));
}

TEST_F(ClipboardTransport, AnEmptyJobReplacesTheClipboardWithAnEmptyText) {
    PutOldText(L"old");
    FakeRenderedCollection pages;
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    EXPECT_EQ(UnicodeText(), "");
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 100}));
}

// A failure after StartJob has emptied the clipboard closes it: another program can use it.
TEST_F(ClipboardTransport, AFailedSendLeavesTheClipboardEmptyAndClosed) {
    struct Row {
        const char* row;
        void (*setUp)(FakeRenderedCollection&);
        long open;
        const wchar_t* error;
    } rows[] = {
        {"post-processor without a program", [](FakeRenderedCollection&) {}, 1,
         L"Not enough parameters"},
        {"job size", [](FakeRenderedCollection& p) { p.failJobSize = true; }, 0, L"JobSize"},
        {"page text", [](FakeRenderedCollection& p) { p.failGetItem = 1; }, 0, L"GetPage"},
        {"page count", [](FakeRenderedCollection& p) { p.failCount = true; }, 0, L"GetPage"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.row);
        PutOldText(L"old");
        Put(L"open", row.open);
        FakeRenderedCollection pages({L"A", L"B"});
        row.setUp(pages);
        events_->Take();
        ASSERT_EQ(plugin_->StartJob(), S_OK);
        EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
        EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{row.error});
        // Closed by the failing Send itself, before the core's EndJob.
        std::string bytes;
        EXPECT_EQ(ReadBack(CF_UNICODETEXT, &bytes), kNoText) << "opened and found empty";
        EXPECT_EQ(plugin_->EndJob(), S_OK);
    }
}

// The post-processor runs once the clipboard is filled and closed, with the parameters alone.
TEST_F(ClipboardTransport, ThePostProcessorRunsAfterTheTextIsOnTheClipboard) {
    const std::wstring record = folder_.File(L"runs.rec");
    ASSERT_TRUE(RecordLaunchesInto(record));
    Put(L"open", 1L);
    Put(L"wait", 1L);
    Put(L"hide", 3L);
    Put(L"exec", QLX_ARGV_RECORDER);
    struct {
        const wchar_t* param;
        std::vector<std::wstring> args;
    } rows[] = {
        {L"", {}},
        {L"-t \"{{DOCNAME}} & x\" 100%", {L"-t", L"report & x", L"100%"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.param));
        Put(L"param", row.param);
        FakeRenderedCollection pages({L"A", L"B"});
        events_->Take();
        ASSERT_EQ(Save(pages, 1, 1), S_OK);
        const std::vector<RecordedLaunch> runs = ReadLaunches(record);
        DeleteFileW(record.c_str());
        ASSERT_EQ(runs.size(), 1u) << "waited for: recorded before Send returned";
        EXPECT_EQ(runs[0].args, row.args);
        EXPECT_EQ(runs[0].show, SW_HIDE);
        EXPECT_EQ(runs[0].folder, QLX_ARGV_RECORDER_DIR);
        EXPECT_EQ(UnicodeText(), Utf16Bytes(L"AB"));
        EXPECT_EQ(events_->Take(),
                  (std::vector<std::wstring>{L"progress 0", L"progress 50", L"progress 100"}));
        // Expanded for page 0: the program for a file name, the parameters as the system
        // writes dates.
        ASSERT_EQ(pages.translations.size(), 2u);
        EXPECT_EQ(pages.translations[0].input, QLX_ARGV_RECORDER);
        EXPECT_EQ(pages.translations[0].page, 0);
        EXPECT_EQ(pages.translations[0].translateFlag, 1);
        EXPECT_EQ(pages.translations[1].input, row.param);
        EXPECT_EQ(pages.translations[1].page, 0);
        EXPECT_EQ(pages.translations[1].translateFlag, 0);
    }
}

TEST_F(ClipboardTransport, APostProcessorThatCannotStartFailsTheSaveButKeepsTheText) {
    Put(L"open", 1L);
    Put(L"exec", L"Z:\\nonexistent-folder\\no-such-program.exe");
    FakeRenderedCollection pages({L"kept"});
    EXPECT_EQ(Save(pages, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Take(), (std::vector<std::wstring>{L"progress 0", L"progress 100",
                                                          L"error Cannot execute post-processor"}));
    EXPECT_EQ(UnicodeText(), Utf16Bytes(L"kept"));
}

// Without StartJob the clipboard is not open: the hand-over fails and says so.
TEST_F(ClipboardTransport, ARefusedHandOverIsAFailure) {
    PutOldText(L"old");
    FakeRenderedCollection pages({L"new"});
    EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Take(),
              (std::vector<std::wstring>{L"progress 0", L"error SetClipboardData"}));
    EXPECT_EQ(UnicodeText(), Utf16Bytes(L"old"));
}

TEST_F(ClipboardTransport, AClipboardHeldByAnotherProgramCannotBeOpened) {
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, L"qlx_clipboard_test_ready"));
    UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, L"qlx_clipboard_test_release"));
    UniqueHandle holder =
        StartChild(L"HoldClipboard", L"qlx_clipboard_test_ready qlx_clipboard_test_release");
    ASSERT_TRUE(holder);
    ASSERT_EQ(WaitForSingleObject(ready.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(plugin_->StartJob(), E_FAIL);
    EXPECT_EQ(events_->Take(), std::vector<std::wstring>{L"error Cannot open Clipboard"});
    SetEvent(release.Get());
    EXPECT_EQ(WaitChild(holder.Get()), 0);
}

// The core skips Send and EndJob when the job is cancelled after StartJob; its send thread
// ends there.
TEST_F(ClipboardTransport, ASaveCancelledAfterStartJobLeavesTheClipboardFree) {
    std::thread sendThread([&] {
        ComScope com;
        EXPECT_EQ(plugin_->StartJob(), S_OK);
    });
    sendThread.join();
    std::string bytes;
    EXPECT_NE(ReadBack(CF_UNICODETEXT, &bytes), kCannotOpen);
    // And the next save works.
    FakeRenderedCollection pages({L"next"});
    std::thread nextThread([&] {
        ComScope com;
        EXPECT_EQ(Save(pages, 1, 1), S_OK);
    });
    nextThread.join();
    EXPECT_EQ(UnicodeText(), Utf16Bytes(L"next"));
}

// Where the system says it is Windows NT 4 (Wine's per-program version), the text goes in the
// ANSI code page, sized from the conversion.
TEST_F(ClipboardTransport, OnOldSystemsTheTextIsAnsi) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program = self;
    program = program.substr(program.rfind(L'\\') + 1);
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + program;
    RegKey appDefaults;
    ASSERT_TRUE(appDefaults.Create(HKEY_CURRENT_USER, key.c_str(), KEY_WRITE));
    const wchar_t version[] = L"nt40";
    ASSERT_EQ(RegSetValueExW(appDefaults.Get(), L"Version", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(version), sizeof(version)),
              ERROR_SUCCESS);
    UniqueHandle child =
        StartChild(L"SaveAsOldSystem", L"Gr\u00f6\u00dfe \"\u20ac \u00e9t\u00e9\" end");
    const int code = child ? WaitChild(child.Get()) : -1;
    RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    ASSERT_EQ(code, 0);
    std::string bytes;
    ASSERT_EQ(ReadBack(CF_TEXT, &bytes), kReadOk);
    EXPECT_EQ(bytes, "Gr\xf6\xdf"
                     "e\x80 \xe9t\xe9"
                     "end");
}

} // namespace
