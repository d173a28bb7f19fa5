#include <gtest/gtest.h>

#include <windows.h>
#include <mapi.h>

#include <memory>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "fake_rendered_collection.h"
#include "mail_object.h"
#include "mapi_calls.h"
#include "mapi_record.h"
#include "temp_dir.h"
#include "transport_events.h"

namespace {

const std::string kSeparator =
    "\n_____________________________________________________________________\n\n";

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string Ansi(const std::wstring& text) {
    std::string out(text.size() * 4 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                          &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    return out;
}

std::string LastPart(const std::string& path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::wstring Widen(const std::string& ansi) {
    std::wstring out(ansi.size() + 1, L'\0');
    const int chars = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                          &out[0], static_cast<int>(out.size()));
    out.resize(chars > 0 ? static_cast<size_t>(chars) : 0);
    return out;
}

// What a folder holds, by name.
std::vector<std::wstring> Entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// The mail transport made in process, its events recorded, the MAPI double recording into the
// test's own folder, and the temporary folder (where attachments go) a folder of the test's.
class MailTransport : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ComObject<CXFER_MailObject>::Create(IID_IQLX_TPLUGIN, plugin_.AsVoidOut()), S_OK);
        events_ = std::make_unique<TransportEvents>(plugin_.Get(), L"Mail");
        ASSERT_TRUE(events_->Connected());
        record_ = folder_.File(L"mapi.record");
        temp_ = folder_.File(L"temp");
        ASSERT_TRUE(CreateDirectoryW(temp_.c_str(), nullptr));
        SetEnvironmentVariableW(QLX_MAPI_RECORD_VARIABLE, record_.c_str());
        SetEnvironmentVariableW(QLX_MAPI_RESULT_VARIABLE, nullptr);
        GetEnvironmentVariableW(L"TMP", savedTmp_, MAX_PATH);
        SetEnvironmentVariableW(L"TMP", (temp_ + L"\\").c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TMP", savedTmp_[0] ? savedTmp_ : nullptr);
        SetEnvironmentVariableW(QLX_MAPI_RECORD_VARIABLE, nullptr);
        SetEnvironmentVariableW(QLX_MAPI_RESULT_VARIABLE, nullptr);
        events_.reset();
    }

    void Put(const wchar_t* name, const wchar_t* text) {
        ASSERT_EQ(plugin_->PutParam(ComBstr(name), ComVariant(text)), S_OK) << Narrow(name);
    }
    void Put(const wchar_t* name, long number) {
        ASSERT_EQ(plugin_->PutParam(ComBstr(name), ComVariant(number)), S_OK) << Narrow(name);
    }
    // One save as the core makes it: StartJob, then Send and EndJob when the one before
    // succeeded (EndJob after a failed Send too).
    HRESULT Save(FakeRenderedCollection& pages, long wholeJob, long page) {
        HRESULT hr = plugin_->StartJob();
        if (FAILED(hr))
            return hr;
        hr = plugin_->Send(&pages, wholeJob, page);
        const HRESULT end = plugin_->EndJob();
        return FAILED(hr) ? hr : end;
    }
    std::vector<MapiCall> Calls() const { return ReadMapiCalls(record_); }

    ComScope com_;
    TempDir folder_;
    std::wstring record_;
    std::wstring temp_;
    wchar_t savedTmp_[MAX_PATH] = {};
    ComPtr<IQLX_TPLUGIN> plugin_;
    std::unique_ptr<TransportEvents> events_;
};

TEST_F(MailTransport, BodyMailsGoToEachRecipientInTurnWithTheMessageAndThePages) {
    Put(L"mail", L"a@x.test;b@y.test");
    Put(L"subject", L"Pages of {{DOCNAME}}");
    Put(L"message", L"Hello from {{DOCNAME}}");
    FakeRenderedCollection pages({L"A", L"B"});
    ASSERT_EQ(Save(pages, 1, 1), S_OK);

    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    const char* addresses[] = {"a@x.test", "b@y.test"};
    for (size_t n = 0; n < 2; ++n) {
        const MapiCall& call = calls[n];
        SCOPED_TRACE(addresses[n]);
        EXPECT_EQ(call.Number("session"), 0);
        EXPECT_EQ(call.Number("ui"), 0);
        EXPECT_EQ(call.Number("flags"), 0) << "no logon interface, no dialog";
        EXPECT_EQ(call.Number("reserved"), 0);
        EXPECT_EQ(call.Number("message.flags"), 0);
        EXPECT_EQ(call.Text("message.subject"), "Pages of report");
        EXPECT_EQ(call.Text("message.note"), "Hello from report" + kSeparator + "AB");
        for (const char* empty :
             {"message.type", "message.date", "message.conversation", "message.originator"})
            EXPECT_EQ(call.Text(empty), "<null>") << empty;
        EXPECT_EQ(call.Number("recipients"), 1);
        EXPECT_EQ(call.Number("recip0.class"), MAPI_TO);
        EXPECT_EQ(call.Text("recip0.name"), addresses[n]);
        EXPECT_EQ(call.Text("recip0.address"), std::string("SMTP:") + addresses[n]);
        EXPECT_EQ(call.Number("recip0.eid_size"), 0);
        EXPECT_EQ(call.Number("files"), 0);
    }
    // Each mail reads its pages again; the body's progress starts anew for each.
    EXPECT_EQ(events_->Take(),
              (std::vector<std::wstring>{L"progress 0", L"progress 50", L"progress 0",
                                         L"progress 50", L"progress 50", L"progress 100"}));
    EXPECT_EQ(pages.getItemsRead, (std::vector<long>{0, 1, 0, 1}));
    for (const auto& translation : pages.translations) {
        EXPECT_EQ(translation.page, 0) << Narrow(translation.input);
        EXPECT_EQ(translation.translateFlag, 0) << Narrow(translation.input);
    }
}

TEST_F(MailTransport, AnAttachmentCarriesThePagesOfTheSaveAndIsGoneAfterwards) {
    Put(L"mail", L"a@x.test");
    Put(L"subject", L"Job");
    Put(L"message", L"See the file");
    Put(L"attach", 1L);
    FakeRenderedCollection pages({L"first", L"second \u20ac", L"third"});
    pages.unicode = 1;
    ASSERT_EQ(Save(pages, 0, 2), S_OK);
    // A whole job in the system's code page, with no byte-order mark.
    pages.unicode = 0;
    pages.charset = 1252;
    Put(L"filename", L"{{DOCNAME}}-all.{{EXT}}");
    ASSERT_EQ(Save(pages, 1, 1), S_OK);

    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Text("file0.content"), "\xFF\xFE" + Utf16Bytes(L"second \u20ac"));
    EXPECT_EQ(calls[1].Text("file0.content"), "firstsecond \x80third");
    const char* names[] = {"report.txt", "report-all.txt"};
    for (size_t n = 0; n < 2; ++n) {
        const MapiCall& call = calls[n];
        SCOPED_TRACE(names[n]);
        EXPECT_FALSE(call.Has("file0.open_error"))
            << "the file was still open for writing: " << call.Number("file0.open_error");
        EXPECT_EQ(call.Text("message.note"), "See the file") << "the message alone";
        EXPECT_EQ(call.Number("files"), 1);
        EXPECT_EQ(call.Number("file0.position"), 0xFFFFFFFFll);
        EXPECT_EQ(call.Number("file0.flags"), 0);
        EXPECT_EQ(call.Text("file0.name"), "<null>") << "named after its path";
        EXPECT_EQ(call.Text("file0.type"), "<null>");
        const std::string path = call.Text("file0.path");
        EXPECT_EQ(LastPart(path), names[n]);
        // In a folder of its own under the temporary folder; both gone after the send.
        EXPECT_EQ(FolderOf(FolderOf(path)), Narrow(temp_)) << path;
        EXPECT_EQ(GetFileAttributesW(Widen(path).c_str()), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_EQ(GetFileAttributesW(Widen(FolderOf(path)).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(Entries(temp_).empty());
    EXPECT_EQ(pages.itemsRead, (std::vector<long>{1, 0, 1, 2}));
    EXPECT_EQ(pages.translations.at(0).input, L"{{DOCNAME}}.{{EXT}}");
    EXPECT_EQ(pages.translations.at(0).translateFlag, 1) << "a file name gets safe dates";
    for (const auto& translation : pages.translations)
        EXPECT_EQ(translation.page, 0) << Narrow(translation.input);
}

TEST_F(MailTransport, ProgressCountsTheRecipientsBeforeEachOne) {
    Put(L"mail", L"a@x.test;b@x.test;c@x.test;d@x.test");
    Put(L"attach", 1L);
    FakeRenderedCollection pages({L"one"});
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    EXPECT_EQ(Calls().size(), 4u);
    EXPECT_EQ(events_->Progress(), (std::vector<long>{0, 0, 25, 50, 75, 100}));
}

// A document name is anybody's text: the attachment must stay one file in its own folder,
// never replace or remove another file, and never open a device.
TEST_F(MailTransport, HostileDocumentNamesStayOneFileInAFolderOfTheirOwn) {
    Put(L"mail", L"a@x.test");
    Put(L"attach", 1L);
    const std::wstring victim = temp_ + L"\\victim.txt";
    ASSERT_TRUE(WriteWholeFile(victim, "keep me"));
    struct {
        const wchar_t* docName;
        const char* expected;
    } rows[] = {
        {L"victim", "victim.txt"},
        {L"..\\victim", ".._victim.txt"},
        {L"..\\..\\..\\victim", ".._.._.._victim.txt"},
        {L"C:\\windows\\win", "C__windows_win.txt"},
        {L"a/b/c", "a_b_c.txt"},
        {L"report:stream", "report_stream.txt"},
        {L"what?*<>|\"", "what______.txt"},
        {L"line\r\nbreak", "line__break.txt"},
        {L"con", "_con.txt"},
        {L"NUL", "_NUL.txt"},
        {L"", ".txt"},
        {L"\u65e5\u672c", "__.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.docName));
        FakeRenderedCollection pages({L"page"});
        pages.charset = 1252;
        pages.docName = row.docName;
        ASSERT_EQ(Save(pages, 1, 1), S_OK);
    }
    // A name that is all dots would name the folder itself.
    Put(L"filename", L"{{DOCNAME}}");
    FakeRenderedCollection dots({L"page"});
    dots.charset = 1252;
    dots.docName = L"..";
    ASSERT_EQ(Save(dots, 1, 1), S_OK);

    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), std::size(rows) + 1);
    for (size_t n = 0; n < calls.size(); ++n) {
        const std::string expected = n < std::size(rows) ? rows[n].expected : "attachment";
        const std::string path = calls[n].Text("file0.path");
        EXPECT_EQ(LastPart(path), expected);
        EXPECT_EQ(FolderOf(FolderOf(path)), Narrow(temp_)) << path;
        EXPECT_EQ(calls[n].Text("file0.content"), "page") << path;
    }
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(victim, &kept));
    EXPECT_EQ(kept, "keep me");
    EXPECT_EQ(Entries(temp_), std::vector<std::wstring>{L"victim.txt"}) << "nothing left behind";
}

TEST_F(MailTransport, ATooLongAttachmentNameIsShortenedBeforeItsExtension) {
    Put(L"mail", L"a@x.test");
    Put(L"attach", 1L);
    FakeRenderedCollection pages({L"page"});
    pages.charset = 1252;
    pages.docName = std::wstring(300, L'n');
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    const std::string path = calls[0].Text("file0.path");
    EXPECT_LT(path.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(path.substr(path.size() - 9), "nnnnn.txt");
    EXPECT_EQ(calls[0].Text("file0.content"), "page");
}

// A line break in a header would let a subject or an address add headers of its own.
TEST_F(MailTransport, LineBreaksInSubjectsAndAddressesBecomeSpaces) {
    Put(L"mail", L" a@x.test ;\r\n b@y.test\r\nBcc: evil@z.test ; ;");
    Put(L"subject", L"Hi\r\nBcc: evil@z.test {{DOCNAME}}");
    Put(L"message", L"line one\r\nline two");
    FakeRenderedCollection pages({L"p"});
    pages.docName = L"doc\nX-Injected: 1";
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Text("recip0.name"), "a@x.test");
    EXPECT_EQ(calls[1].Text("recip0.name"), "b@y.test  Bcc: evil@z.test");
    EXPECT_EQ(calls[1].Text("recip0.address"), "SMTP:b@y.test  Bcc: evil@z.test");
    for (const MapiCall& call : calls) {
        EXPECT_EQ(call.Text("message.subject"), "Hi  Bcc: evil@z.test doc X-Injected: 1");
        EXPECT_EQ(call.Text("message.note"), "line one\r\nline two" + kSeparator + "p")
            << "the body keeps its lines";
    }
}

TEST_F(MailTransport, AListThatNamesNobodyFailsWithNothingSent) {
    FakeRenderedCollection pages({L"p"});
    for (const wchar_t* list : {L"", L";", L" ; ;\t;", L"\r\n", L";;  "}) {
        SCOPED_TRACE(Narrow(list));
        Put(L"mail", list);
        EXPECT_EQ(plugin_->StartJob(), E_FAIL);
        EXPECT_EQ(events_->Take(), std::vector<std::wstring>{L"error No mail addresses provided"});
    }
    // Without a list from StartJob, Send has nobody to mail either.
    EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Take(),
              (std::vector<std::wstring>{L"progress 0", L"error No mail addresses provided"}));
    EXPECT_TRUE(Calls().empty());
}

TEST_F(MailTransport, EndJobEndsTheListAndStartJobReplacesIt) {
    FakeRenderedCollection pages({L"p"});
    Put(L"mail", L"a@x.test;b@x.test");
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    Put(L"mail", L"c@x.test");
    ASSERT_EQ(plugin_->StartJob(), S_OK);
    ASSERT_EQ(plugin_->Send(&pages, 1, 1), S_OK);
    ASSERT_EQ(plugin_->EndJob(), S_OK);
    EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Text("recip0.name"), "c@x.test");
}

TEST_F(MailTransport, TheBodyHoldsAllTheTextWhateverTheSizesSaid) {
    Put(L"mail", L"a@x.test");
    Put(L"message", L"\u00c4rger \u20ac");
    const std::wstring big(20000, L'\u00e9');
    FakeRenderedCollection pages({big, L"\u00df end"});
    pages.reportedItemSize = 1;
    ASSERT_EQ(Save(pages, 1, 1), S_OK);
    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Text("message.note"),
              Ansi(L"\u00c4rger \u20ac") + kSeparator + Ansi(big) + Ansi(L"\u00df end"));
}

TEST_F(MailTransport, AFailureEndsTheSaveAtItsRecipientAndLeavesNoFile) {
    struct Row {
        const char* row;
        long attach;
        void (*inject)(FakeRenderedCollection&);
        const wchar_t* mapiResult;
        const wchar_t* error;
        size_t mailsRecorded;
    } rows[] = {
        {"MAPI refuses, body", 0, [](FakeRenderedCollection&) {}, L"2", L"SendMail error", 1},
        {"MAPI refuses, attachment", 1, [](FakeRenderedCollection&) {}, L"3", L"SendMail error", 1},
        {"size of a page", 0, [](FakeRenderedCollection& p) { p.failItemSize = 1; }, nullptr,
         L"ItemSize", 0},
        {"text of a page", 0, [](FakeRenderedCollection& p) { p.failGetItem = 1; }, nullptr,
         L"GetPage", 0},
        {"bytes of a page", 1, [](FakeRenderedCollection& p) { p.failItem = 1; }, nullptr,
         L"GetPage", 0},
        {"bytes that are no array", 1, [](FakeRenderedCollection& p) { p.itemNotBytes = true; },
         nullptr, L"Access page data", 0},
        {"page count", 1, [](FakeRenderedCollection& p) { p.failCount = true; }, nullptr,
         L"GetPage", 0},
        {"macros", 1, [](FakeRenderedCollection& p) { p.failTranslate = true; }, nullptr,
         L"TranslateString", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.row);
        DeleteFileW(record_.c_str());
        SetEnvironmentVariableW(QLX_MAPI_RESULT_VARIABLE, row.mapiResult);
        Put(L"mail", L"a@x.test;b@x.test");
        Put(L"attach", row.attach);
        FakeRenderedCollection pages({L"A", L"B"});
        row.inject(pages);
        events_->Take();
        EXPECT_EQ(Save(pages, 1, 1), E_FAIL);
        EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{row.error});
        EXPECT_EQ(Calls().size(), row.mailsRecorded) << "the second recipient gets nothing";
        EXPECT_TRUE(Entries(temp_).empty()) << "no attachment or folder left";
        // The list went with the failure: a Send now has nobody to mail.
        EXPECT_EQ(plugin_->Send(&pages, 1, 1), E_FAIL);
    }
}

// The recipient's address record holds "SMTP:", the address and a terminator in 1000 bytes: a
// longer address is refused, never cut.
TEST_F(MailTransport, AnAddressTooLongForItsRecordIsRefused) {
    const std::wstring longest(994, L'a');
    Put(L"mail", (longest + L";" + longest + L"a").c_str());
    FakeRenderedCollection pages({L"p"});
    EXPECT_EQ(Save(pages, 1, 1), E_FAIL);
    EXPECT_EQ(events_->Errors(), std::vector<std::wstring>{L"SendMail error"});
    const std::vector<MapiCall> calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Text("recip0.address"), "SMTP:" + Narrow(longest));
}

TEST_F(MailTransport, ParametersAndTheirDefaults) {
    ComBstr name, layout;
    ASSERT_EQ(plugin_->get_Name(&name), S_OK);
    ASSERT_EQ(plugin_->get_Layout(&layout), S_OK);
    EXPECT_STREQ(name.c_str(), L"Mail");
    EXPECT_STREQ(layout.c_str(), L"Bmail,Bsubject,Bmessage,Lattach,Bfilename");

    Put(L"mail", L"a@x.test");
    Put(L"subject", L"s");
    Put(L"message", L"m");
    Put(L"attach", 7L);
    Put(L"filename", L"out.txt");
    ASSERT_EQ(plugin_->ResetParams(), S_OK);
    struct {
        const wchar_t* name;
        VARTYPE type;
        const wchar_t* text;
        long number;
    } rows[] = {
        {L"mail", VT_BSTR, L"", 0},
        {L"subject", VT_BSTR, L"", 0},
        {L"message", VT_BSTR, L"", 0},
        {L"attach", VT_I4, nullptr, 0},
        {L"filename", VT_BSTR, L"out.txt", 0}, // a reset keeps the attachment's name
    };
    for (const auto& row : rows) {
        ComVariant value;
        ASSERT_EQ(plugin_->GetParam(ComBstr(row.name), &value), S_OK) << Narrow(row.name);
        ASSERT_EQ(value.vt, row.type) << Narrow(row.name);
        if (row.type == VT_BSTR)
            EXPECT_STREQ(value.bstrVal ? value.bstrVal : L"", row.text) << Narrow(row.name);
        else
            EXPECT_EQ(value.lVal, row.number) << Narrow(row.name);
    }
    ComVariant value;
    EXPECT_EQ(plugin_->GetParam(ComBstr(L"Mail"), &value), E_FAIL);
    EXPECT_EQ(plugin_->UpdateUI(1), S_OK);
    EXPECT_TRUE(events_->Take().empty()) << "parameter methods fire nothing";
}

} // namespace
