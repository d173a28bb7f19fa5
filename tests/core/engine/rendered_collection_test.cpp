#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "com_safearray.h"
#include "engine_in_process.h"
#include "registry.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A rendered job whose pages hold exactly the texts captured (the fake format in plain mode),
// read back through the engine's IRenderedCollection. A job needs some text to be kept.
class RenderedCollection : public EngineInProcess {
protected:
    void Render(const std::vector<std::wstring>& pages, const wchar_t* document = L"report.txt") {
        ASSERT_EQ(Create(), S_OK);
        recorder_ = StartListening();
        plugins_.Format()->SetPlainText(true);
        std::vector<std::vector<std::wstring>> runs;
        for (const std::wstring& page : pages)
            runs.push_back(page.empty() ? std::vector<std::wstring>{}
                                        : std::vector<std::wstring>{page});
        ASSERT_NO_FATAL_FAILURE(Capture(5, runs, true, document));
        ASSERT_EQ(engine_.As(&pages_), S_OK);
        ASSERT_TRUE(Engine().JobRenderedForTests());
    }
    void Set(const wchar_t* name, LONG value) {
        ASSERT_EQ(engine_->put_value(ComBstr(name), ComVariant(value)), S_OK) << name;
    }
    void Settings(LONG unixEol, LONG charset, LONG pageBreak) {
        Set(L"UnixEOL", unixEol);
        Set(L"Charset", charset);
        Set(L"PageBreak", pageBreak);
    }
    // Item's bytes; E_... results as failures of the test's choosing.
    HRESULT ItemBytes(LONG index, Bytes* bytes) {
        bytes->clear();
        ComVariant value;
        const HRESULT hr = pages_->Item(index, &value);
        if (FAILED(hr))
            return hr;
        EXPECT_EQ(V_VT(&value), VT_ARRAY | VT_UI1);
        SafeArrayAccess access(V_ARRAY(&value));
        LONG upper = -1;
        SafeArrayGetUBound(V_ARRAY(&value), 1, &upper);
        const uint8_t* data = static_cast<const uint8_t*>(access.Data());
        bytes->assign(data, data + upper + 1);
        return S_OK;
    }
    std::wstring Translate(const wchar_t* text, LONG page, LONG* pageFlag) {
        ComBstr out;
        EXPECT_EQ(pages_->TranslateString(ComBstr(text), page, 1, pageFlag, &out), S_OK);
        return out.c_str();
    }

    EventRecorder* recorder_ = nullptr;
    ComPtr<IRenderedCollection> pages_;
};

TEST_F(RenderedCollection, PagesAreConvertedAsTheSettingsSay) {
    ASSERT_NO_FATAL_FAILURE(Render({L"a\r\nb", L"", L"\u00e9"}));
    struct Row {
        LONG page, unixEol, charset, pageBreak;
        Bytes bytes;
    } rows[] = {
        {0, 1, 5, 1, {0x61, 0x00, 0x0A, 0x00, 0x62, 0x00, 0x0C, 0x00}},
        {0, 0, 1252, 0, {0x61, 0x0D, 0x0A, 0x62}},
        {0, 1, 1252, 1, {0x61, 0x0A, 0x62, 0x0C}},
        {0, 0, 5, 0, {0x61, 0x00, 0x0D, 0x00, 0x0A, 0x00, 0x62, 0x00}},
        {1, 0, 5, 0, {}},
        {1, 0, 5, 1, {0x0C, 0x00}},
        {1, 1, 1252, 1, {0x0C}},
        {2, 0, 1252, 0, {0xE9}},
        {2, 0, 65001, 1, {0xC3, 0xA9, 0x0C}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "page " << row.page << " eol " << row.unixEol << " charset " << row.charset
                     << " break " << row.pageBreak);
        ASSERT_NO_FATAL_FAILURE(Settings(row.unixEol, row.charset, row.pageBreak));
        recorder_->Clear();
        Bytes bytes;
        ASSERT_EQ(ItemBytes(row.page, &bytes), S_OK);
        EXPECT_EQ(bytes, row.bytes);
        LONG size = -1;
        ASSERT_EQ(pages_->ItemSize(row.page, &size), S_OK);
        EXPECT_EQ(size, static_cast<LONG>(row.bytes.size()));
        EXPECT_EQ(recorder_->Lines({kOnPageSaving}),
                  std::vector<std::wstring>{L"9(" + std::to_wstring(row.page) + L")"})
            << "Item announces the page once, ItemSize never";
    }
}

TEST_F(RenderedCollection, ReadsThatCannotBeServedFailWithoutAnEvent) {
    ASSERT_NO_FATAL_FAILURE(Render({L"one", L"two"}));
    LONG count = 0;
    ASSERT_EQ(pages_->Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    recorder_->Clear();
    Bytes bytes;
    LONG size = 0;
    for (LONG index : {-1L, count, 1000L}) {
        EXPECT_EQ(ItemBytes(index, &bytes), E_FAIL) << index;
        EXPECT_EQ(pages_->ItemSize(index, &size), E_FAIL) << index;
        ComBstr text;
        EXPECT_TRUE(FAILED(pages_->GetItem(index, &text))) << index;
    }
    // A code page the system does not know is a failure, not an empty page.
    ASSERT_NO_FATAL_FAILURE(Set(L"Charset", 424242));
    EXPECT_EQ(ItemBytes(0, &bytes), E_FAIL);
    EXPECT_EQ(pages_->ItemSize(0, &size), E_FAIL);
    EXPECT_TRUE(recorder_->Lines({kOnPageSaving}).empty());
    EXPECT_EQ(pages_->Unicode(nullptr), E_POINTER);
    EXPECT_EQ(pages_->JobSize(nullptr), E_POINTER);
}

TEST_F(RenderedCollection, StoredTextsCountsAndTheUnicodeMark) {
    ASSERT_NO_FATAL_FAILURE(Render({L"abc", L"", L"de\r\n"}));
    recorder_->Clear();
    ComBstr text;
    ASSERT_EQ(pages_->GetItem(2, &text), S_OK);
    EXPECT_STREQ(text.c_str(), L"de\r\n") << "unconverted";
    EXPECT_EQ(recorder_->Lines({kOnPageSaving}), std::vector<std::wstring>{L"9(2)"});
    LONG size = 0;
    ASSERT_EQ(pages_->JobSize(&size), S_OK);
    EXPECT_EQ(size, 7);
    const struct { LONG charset, prefix, unicode; } marks[] = {{5, 1, 1}, {5, 0, 0}, {1252, 1, 0}};
    for (const auto& mark : marks) {
        ASSERT_NO_FATAL_FAILURE(Set(L"Charset", mark.charset));
        ASSERT_NO_FATAL_FAILURE(Set(L"UnicodePrefix", mark.prefix));
        LONG unicode = -1;
        ASSERT_EQ(pages_->Unicode(&unicode), S_OK);
        EXPECT_EQ(unicode, mark.unicode) << mark.charset << " " << mark.prefix;
    }
}

// Transports convert pages from threads of their own at the same time: each gets its own
// pages' bytes.
TEST_F(RenderedCollection, TwoThreadsConvertingFiftyPagesAtOnceGetTheirOwnBytes) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < 50; ++i)
        texts.push_back(L"page " + std::to_wstring(i) + L"\r\n" +
                        std::wstring(i * 40, L'a' + i % 26));
    ASSERT_NO_FATAL_FAILURE(Render(texts));
    ASSERT_NO_FATAL_FAILURE(Settings(1, 1252, 1));
    auto expected = [&](int i) {
        std::string text = "page " + std::to_string(i) + "\n" + std::string(i * 40, 'a' + i % 26);
        Bytes bytes(text.begin(), text.end());
        bytes.push_back(0x0C);
        return bytes;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (int round = 0; round < 5; ++round) {
                for (int n = 0; n < 50; ++n) {
                    const int i = t == 0 ? n : 49 - n;
                    Bytes bytes;
                    EXPECT_EQ(ItemBytes(i, &bytes), S_OK);
                    EXPECT_EQ(bytes, expected(i)) << "page " << i;
                }
            }
            CoUninitialize();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

TEST_F(RenderedCollection, MacrosTakeTheJobsValues) {
    key_.SetDword(HKEY_CURRENT_USER, L"Identity", 5);
    ASSERT_NO_FATAL_FAILURE(Render({L"text"}, L"Editor - q3.final.txt"));
    LONG pageFlag = 10;
    EXPECT_EQ(Translate(L"{{DOCNAME}}.{{EXT}}", 1, &pageFlag), L"q3.final.txt");
    EXPECT_EQ(Translate(L"{{JOB}}-{{PAGE}}", 3, &pageFlag), L"5-3");
    EXPECT_EQ(pageFlag, 11) << "one page macro more";
    EXPECT_EQ(Translate(L"{{IDENTITY}}-{{IDENTITY(3)}}", 1, &pageFlag), L"5-006");
    // Each number is on disk before it is used: a crash now hands out 7 next.
    DWORD stored = 0;
    ReadRegDword(HKEY_CURRENT_USER, &stored, 0, L"Identity");
    EXPECT_EQ(stored, 7u);
    LONG identity = 0;
    ASSERT_EQ(engine_->get_Identity(&identity), S_OK);
    EXPECT_EQ(identity, 7);
}

// Document names come from any program: in a file name they stay one harmless component, and
// what they hold is never expanded again.
TEST_F(RenderedCollection, HostileDocumentNamesStayOneHarmlessFileNameComponent) {
    const struct {
        const wchar_t* document;
        const wchar_t* expected; // null: only the properties below
    } rows[] = {
        {L"CON", L"_CON"},          {L"a/b", L"a_b"},
        {L"{{DATE}}", L"{{DATE}}"}, {L"{{SYSFOLDER(WINDOWS)}}", L"{{SYSFOLDER(WINDOWS)}}"},
        {L"..\\..\\x", nullptr},    {L"x - ..", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.document);
        TearDown();
        ASSERT_NO_FATAL_FAILURE(Render({L"text"}, row.document));
        LONG pageFlag = 0;
        const std::wstring name = Translate(L"{{DOCNAME}}", 1, &pageFlag);
        if (row.expected)
            EXPECT_EQ(name, row.expected);
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(L".."), std::wstring::npos) << name;
        EXPECT_EQ(name.find_first_of(L"\\/:"), std::wstring::npos) << name;
        ASSERT_EQ(engine_->CancelJobWait(), S_OK);
    }
    TearDown();
    ASSERT_NO_FATAL_FAILURE(Render({L"text"}, std::wstring(300, L'n').c_str()));
    LONG pageFlag = 0;
    const std::wstring name = Translate(L"{{DOCNAME}}", 1, &pageFlag);
    EXPECT_FALSE(name.empty());
    EXPECT_LE(name.size(), 200u);
}

} // namespace
