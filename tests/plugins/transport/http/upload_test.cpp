// The HTTP transport against a real HTTP server on 127.0.0.1 that records what it receives.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fake_pages.h"
#include "http_plugin.h"
#include "recording_server.h"

namespace {

class ComScope {
public:
    ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    ~ComScope() { CoUninitialize(); }
};

// The old fixed boundary: a page that holds it must still arrive whole.
const std::string kOldBoundary(61, 'a');

const std::vector<std::string> kPages = {
    "First page\r\nwith two lines\r\n",
    std::string("bytes \x00\x01\xfe\xff as they are\f", 24),
    "last",
};

std::string Boundary(const RecordingServer::Request& request) {
    const std::string type = request.Header("Content-Type");
    const std::string prefix = "multipart/form-data; boundary=";
    return type.compare(0, prefix.size(), prefix) == 0 ? type.substr(prefix.size()) : "<none>";
}

// The body the Part lays down for a POST, with the request's own boundary.
std::string FormBody(const std::string& boundary, const std::string& fileName,
                     const std::string& content) {
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\n" +
           fileName + "\r\n--" + boundary +
           "\r\nContent-Disposition: form-data; name=\"content\"; filename=\"c:\\temp.txt\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" +
           content + "\r\n--" + boundary + "--\r\n";
}

class Upload : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Started()) << "the recording server (python3) did not start";
        ASSERT_TRUE(plugin_.Created());
    }
    std::vector<RecordingServer::Request> Requests() const { return server_.Requests(); }

    ComScope com_;
    RecordingServer server_;
    HttpPlugin plugin_;
};

TEST_F(Upload, PutSendsOnePageOrTheWholeJobByteExact) {
    const struct {
        const char* row;
        long wholeJob, page, unicode;
        std::string body;
    } rows[] = {
        {"second page", 0, 2, 0, kPages[1]},
        {"whole job", 1, 1, 0, kPages[0] + kPages[1] + kPages[2]},
        {"whole job, unicode", 1, 1, 1, "\xff\xfe" + kPages[0] + kPages[1] + kPages[2]},
        {"one page, unicode", 0, 3, 1, "\xff\xfe" + kPages[2]},
    };
    plugin_.Target(server_.Url(L"/up"), L"doc.txt", true);
    for (const auto& row : rows) {
        FakePages pages(kPages);
        pages.unicode = row.unicode;
        EXPECT_EQ(plugin_.Send(pages, row.wholeJob, row.page), S_OK) << row.row;
        EXPECT_EQ(Join(plugin_.Errors()), "") << row.row;
    }
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (size_t n = 0; n < 4; ++n) {
        const auto& request = requests[n];
        EXPECT_EQ(request.method, "PUT") << rows[n].row;
        EXPECT_EQ(request.target, "/up/doc.txt") << rows[n].row;
        EXPECT_EQ(request.body, rows[n].body) << rows[n].row;
        EXPECT_EQ(request.Header("Content-Length"), std::to_string(rows[n].body.size()))
            << rows[n].row;
        EXPECT_EQ(request.Header("Content-Type"), "application/octet-stream") << rows[n].row;
        EXPECT_EQ(request.Header("Accept"), "text/*") << rows[n].row;
        EXPECT_EQ(request.Header("User-Agent"), "Quorvane Lettrix") << rows[n].row;
        EXPECT_FALSE(request.HasHeader("Authorization")) << rows[n].row;
    }
}

TEST_F(Upload, PostSendsAMultipartFormWithTheNameAndThePages) {
    const struct {
        const char* row;
        long wholeJob, page, unicode;
        std::string content;
    } rows[] = {
        {"first page", 0, 1, 0, kPages[0]},
        {"whole job", 1, 1, 0, kPages[0] + kPages[1] + kPages[2]},
        {"whole job, unicode", 1, 1, 1, "\xff\xfe" + kPages[0] + kPages[1] + kPages[2]},
    };
    plugin_.Target(server_.Url(L"/form?key=1"), L"doc.txt", false);
    for (const auto& row : rows) {
        FakePages pages(kPages);
        pages.unicode = row.unicode;
        EXPECT_EQ(plugin_.Send(pages, row.wholeJob, row.page), S_OK) << row.row;
        EXPECT_EQ(Join(plugin_.Errors()), "") << row.row;
    }
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    std::vector<std::string> boundaries;
    for (size_t n = 0; n < 3; ++n) {
        const auto& request = requests[n];
        const std::string boundary = Boundary(request);
        boundaries.push_back(boundary);
        EXPECT_EQ(request.method, "POST") << rows[n].row;
        EXPECT_EQ(request.target, "/form?key=1") << rows[n].row;
        EXPECT_EQ(request.body, FormBody(boundary, "doc.txt", rows[n].content)) << rows[n].row;
        EXPECT_EQ(request.Header("Content-Length"), std::to_string(request.body.size()))
            << rows[n].row;
        // The server's own reading of the form.
        EXPECT_EQ(server_.Field(n, "filename"), "doc.txt") << rows[n].row;
        EXPECT_EQ(server_.Field(n, "content"), rows[n].content) << rows[n].row;
    }
    EXPECT_NE(boundaries[0], boundaries[1]) << "each request draws its own boundary";
    EXPECT_NE(boundaries[1], boundaries[2]);
    EXPECT_NE(boundaries[0].find("QlxFormBoundary"), std::string::npos) << boundaries[0];
}

TEST_F(Upload, APageHoldingTheOldFixedBoundaryArrivesWhole) {
    const std::string page = "before\r\n--" + kOldBoundary + "\r\nContent-Disposition: x\r\n\r\n" +
                             "middle\r\n--" + kOldBoundary + "--\r\nafter";
    FakePages pages({page, "second"});
    plugin_.Target(server_.Url(L"/form"), L"doc.txt", false);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(server_.Field(0, "content"), page + "second");
    EXPECT_EQ(server_.Field(0, "filename"), "doc.txt");
    EXPECT_EQ(requests[0].body, FormBody(Boundary(requests[0]), "doc.txt", page + "second"));
}

TEST_F(Upload, BasicCredentialsGoInTheAuthorizationHeader) {
    const struct {
        const wchar_t* user;
        const wchar_t* password;
        const char* header;
    } rows[] = {
        {L"alice", L"s3cret", "Basic YWxpY2U6czNjcmV0"},
        {L"J\u00fcrgen", L"p:w", "Basic SvxyZ2VuOnA6dw=="}, // Latin-1 characters as one byte
        {L"bob", L"", "Basic Ym9iOg=="},
    };
    plugin_.Target(server_.Url(L"/up/"), L"doc.txt", true);
    for (const auto& row : rows) {
        ASSERT_EQ(plugin_.Put(L"user", row.user), S_OK);
        ASSERT_EQ(plugin_.Put(L"password", row.password), S_OK);
        FakePages pages(kPages);
        EXPECT_EQ(plugin_.Send(pages, 0, 1), S_OK) << Join(plugin_.Errors());
    }
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(requests[n].Header("Authorization"), rows[n].header) << n;
        EXPECT_EQ(requests[n].target, "/up/doc.txt") << "no second slash";
    }
}

TEST_F(Upload, OnlyTwoHundredsAreSuccessAndRedirectsAreNotFollowed) {
    const struct {
        const wchar_t* path;
        HRESULT result;
        const char* error;
    } rows[] = {
        {L"/status/200/", S_OK, ""},
        {L"/status/201/", S_OK, ""},
        {L"/status/204/", S_OK, ""},
        {L"/status/401/", E_FAIL, "OpenRequest - 401"},
        {L"/status/403/", E_FAIL, "OpenRequest - 403"},
        {L"/status/404/", E_FAIL, "OpenRequest - 404"},
        {L"/status/500/", E_FAIL, "OpenRequest - 500"},
        {L"/redirect/", E_FAIL, "OpenRequest - 302"},
        {L"/redirect307/", E_FAIL, "OpenRequest - 307"},
    };
    for (bool put : {true, false}) {
        size_t before = Requests().size();
        for (const auto& row : rows) {
            plugin_.Target(server_.Url(row.path), L"doc.txt", put);
            ASSERT_EQ(plugin_.Put(L"user", L"u"), S_OK);
            FakePages pages(kPages);
            EXPECT_EQ(plugin_.Send(pages, 1, 1), row.result) << Narrow(row.path) << " put=" << put;
            EXPECT_EQ(Join(plugin_.Errors()), row.error) << Narrow(row.path) << " put=" << put;
            EXPECT_EQ(plugin_.Object().StepText(), row.error[0] ? Wide(row.error) : L"OpenRequest");
            // One request each: the redirect's target was never asked for, with or without a body.
            const auto requests = Requests();
            ASSERT_EQ(requests.size(), before + 1) << Narrow(row.path) << " put=" << put;
            EXPECT_EQ(requests.back().method, put ? "PUT" : "POST");
            EXPECT_EQ(requests.back().body.empty(), false);
            before = requests.size();
        }
    }
    for (const auto& request : Requests())
        EXPECT_EQ(request.decodedPath.find("/ok/moved"), std::string::npos);
}

TEST_F(Upload, ARefusedConnectionIsReportedWithWinInetsCode) {
    const int port = UnusedPort();
    ASSERT_NE(port, 0);
    plugin_.Target(L"http://127.0.0.1:" + std::to_wstring(port) + L"/up", L"doc.txt", true);
    FakePages pages(kPages);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), E_FAIL);
    EXPECT_EQ(Join(plugin_.Errors()), "SendRequest - 12029");
    EXPECT_EQ(plugin_.Progress(), std::vector<long>{}) << "nothing was sent";
}

TEST_F(Upload, ASilentServerEndsTheUploadAtTheTimeOut) {
    HttpPlugin plugin(1500);
    plugin.Target(server_.Url(L"/stall/"), L"doc.txt", true);
    FakePages pages(kPages);
    EXPECT_EQ(plugin.Send(pages, 1, 1), E_FAIL);
    const std::string error = Join(plugin.Errors());
    // Windows' WinINet fails the end of the request with its time-out; Wine's ends it with no
    // status at all, which is no valid answer.
    EXPECT_TRUE(error == "EndRequest - 12002" || error == "QueryInfo - 12152") << error;
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body, pages.JobBytes()) << "the server had the whole body";
}

TEST_F(Upload, APutTargetGetsTheNameInThePathBeforeTheQuery) {
    const struct {
        const wchar_t* path;
        const char* target;
    } rows[] = {
        {L"/up?key=v&x=1", "/up/doc.txt?key=v&x=1"},
        {L"/up/?key=v", "/up/doc.txt?key=v"},
        {L"/up#fragment", "/up/doc.txt"},
        {L"", "/doc.txt"},
        {L"/a b/", "/a%20b/doc.txt"},
    };
    for (const auto& row : rows) {
        plugin_.Target(server_.Url(row.path), L"doc.txt", true);
        FakePages pages(kPages);
        EXPECT_EQ(plugin_.Send(pages, 0, 1), S_OK) << Narrow(row.path) << Join(plugin_.Errors());
    }
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), sizeof(rows) / sizeof(rows[0]));
    for (size_t n = 0; n < requests.size(); ++n)
        EXPECT_EQ(requests[n].target, rows[n].target) << Narrow(rows[n].path);
}

TEST_F(Upload, ADocumentNameCannotChangeThePathOrTheHeaders) {
    FakePages pages(kPages);
    pages.docName = L"a b/../c?d#e\r\nX-Injected: 1";
    const std::string encoded = "a%20b%2F..%2Fc%3Fd%23e%0D%0AX-Injected%3A%201.txt";
    const std::string decoded = "a b/../c?d#e\r\nX-Injected: 1.txt";

    plugin_.Target(server_.Url(L"/up?k=v"), L"{{DOCNAME}}.txt", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    plugin_.Target(server_.Url(L"/form"), L"{{DOCNAME}}.txt", false);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    pages.docName = L"..";
    plugin_.Target(server_.Url(L"/up/"), L"{{DOCNAME}}", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    pages.docName = L"r\u00e9sum\u00e9 \u20ac";
    plugin_.Target(server_.Url(L"/up/"), L"{{DOCNAME}}", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());

    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].target, "/up/" + encoded + "?k=v");
    EXPECT_EQ(requests[0].decodedPath, "/up/" + decoded);
    EXPECT_EQ(requests[1].target, "/form");
    EXPECT_EQ(server_.Field(1, "filename"), "a b/../c?d#e%0D%0AX-Injected: 1.txt");
    EXPECT_EQ(server_.Field(1, "content"), pages.JobBytes());
    for (const auto& request : requests)
        EXPECT_FALSE(request.HasHeader("X-Injected")) << request.target;
    EXPECT_EQ(requests[2].target, "/up/%2E%2E") << "never a step up the path";
    EXPECT_EQ(requests[3].decodedPath, "/up/r\xc3\xa9sum\xc3\xa9 \xe2\x82\xac") << "UTF-8";
}

TEST_F(Upload, AUrlWithoutSchemeIsHttpAndOtherSchemesAreRefused) {
    const std::wstring withScheme = server_.Url(L"/up");
    const std::wstring bare = withScheme.substr(wcslen(L"http://"));
    const struct {
        std::wstring url;
        std::wstring file;
        HRESULT result;
        const char* error;
    } rows[] = {
        {bare, L"doc.txt", S_OK, ""},
        {L"ftp://127.0.0.1/up", L"doc.txt", E_FAIL, "Invalid URL"},
        {L"http://", L"doc.txt", E_FAIL, "Invalid URL"},
        {L"", L"doc.txt", E_FAIL, "Not enough parameters"},
        {withScheme, L"", E_FAIL, "Not enough parameters"},
    };
    for (const auto& row : rows) {
        plugin_.Target(row.url, row.file, true);
        FakePages pages(kPages);
        EXPECT_EQ(plugin_.Send(pages, 1, 1), row.result) << Narrow(row.url);
        EXPECT_EQ(Join(plugin_.Errors()), row.error) << Narrow(row.url);
    }
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 1u) << "no request for a refused URL";
    EXPECT_EQ(requests[0].target, "/up/doc.txt");
}

TEST_F(Upload, EachUploadExpandsTheUrlOnceSoTheIdentityAdvancesOnce) {
    FakePages pages(kPages);
    pages.identity = 7;
    plugin_.Target(server_.Url(L"/id{{IDENTITY}}/"), L"p{{PAGE}}.txt", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    const char* targets[] = {"/id7/p1.txt", "/id8/p2.txt", "/id9/p3.txt"};
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(requests[n].target, targets[n]);
        EXPECT_EQ(requests[n].body, kPages[n]);
    }
    EXPECT_EQ(pages.identity, 10) << "one number per upload";
    // Per upload: the URL (flag 2), then the name (flag 1), with the page from 1.
    ASSERT_EQ(pages.translations.size(), 6u);
    for (size_t n = 0; n < 6; ++n) {
        EXPECT_EQ(pages.translations[n].page, static_cast<long>(n / 2 + 1)) << n;
        EXPECT_EQ(pages.translations[n].flag, n % 2 == 0 ? 2 : 1) << n;
    }
}

TEST_F(Upload, APageMacroInTheUrlAloneSplitsAWholeJob) {
    FakePages pages(kPages);
    plugin_.Target(server_.Url(L"/pages/{{PAGE(3)}}"), L"job.txt", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    for (size_t n = 0; n < 3; ++n) {
        EXPECT_EQ(requests[n].target, "/pages/00" + std::to_string(n + 1) + "/job.txt");
        EXPECT_EQ(requests[n].body, kPages[n]);
    }
    // Without a page macro the whole job is one request, and its URL is expanded once.
    pages.translations.clear();
    pages.identity = 1;
    plugin_.Target(server_.Url(L"/one/{{IDENTITY}}"), L"job.txt", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), S_OK) << Join(plugin_.Errors());
    ASSERT_EQ(Requests().size(), 4u);
    EXPECT_EQ(Requests()[3].target, "/one/1/job.txt");
    EXPECT_EQ(Requests()[3].body, pages.JobBytes());
    EXPECT_EQ(pages.identity, 2);
    EXPECT_EQ(pages.translations.size(), 2u);
}

TEST_F(Upload, TheFirstFailingPageUploadEndsTheSave) {
    FakePages pages(kPages);
    pages.perPage = {L"200", L"500", L"200"};
    plugin_.Target(server_.Url(L"/status/{{X}}/"), L"p{{PAGE}}.txt", true);
    EXPECT_EQ(plugin_.Send(pages, 1, 1), E_FAIL);
    EXPECT_EQ(Join(plugin_.Errors()), "OpenRequest - 500");
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u) << "the third page was not sent";
    EXPECT_EQ(requests[1].target, "/status/500/p2.txt");
}

TEST_F(Upload, ProgressGoesByThePagesBeforeEachAndEndsAt100) {
    FakePages four({"a", "b", "c", "d"});
    plugin_.Target(server_.Url(L"/up"), L"doc.txt", true);
    EXPECT_EQ(plugin_.Send(four, 1, 1), S_OK);
    EXPECT_EQ(plugin_.Progress(), (std::vector<long>{0, 25, 50, 75, 100}));
    EXPECT_EQ(plugin_.Send(four, 0, 2), S_OK);
    EXPECT_EQ(plugin_.Progress(), (std::vector<long>{0, 100}));
    FakePages empty({"", "x", ""});
    EXPECT_EQ(plugin_.Send(empty, 1, 1), S_OK) << "empty pages are pages";
    EXPECT_EQ(Requests().back().body, "x");
}

TEST_F(Upload, FailuresOfTheCollectionAreReportedAndEndTheUpload) {
    const struct {
        const char* row;
        void (*arrange)(FakePages&);
        const char* error;
    } rows[] = {
        {"ItemSize fails", [](FakePages& p) { p.failItemSizeAt = 1; }, "ItemSize"},
        {"Item fails", [](FakePages& p) { p.failItemAt = 2; }, "GetPage"},
        {"no data", [](FakePages& p) { p.noDataAt = 1; }, "Access page data"},
        {"page grew", [](FakePages& p) { p.grownItemAt = 0; }, "GetPage"},
        {"Count fails", [](FakePages& p) { p.failCount = true; }, "GetPage"},
        {"TranslateString fails", [](FakePages& p) { p.failTranslate = true; },
         "Unexpected error occurred"},
    };
    plugin_.Target(server_.Url(L"/up"), L"doc.txt", true);
    for (const auto& row : rows) {
        FakePages pages(kPages);
        row.arrange(pages);
        EXPECT_EQ(plugin_.Send(pages, 1, 1), E_FAIL) << row.row;
        EXPECT_EQ(Join(plugin_.Errors()), row.error) << row.row;
        EXPECT_EQ(plugin_.Object().StepText(), Wide(row.error)) << row.row;
    }
}

TEST(SecureUpload, AnUnknownAuthorityIsRetriedOnceWithThatCheckOff) {
    ComScope com;
    RecordingServer server(true);
    ASSERT_TRUE(server.Started());
    HttpPlugin plugin;
    plugin.Target(server.Url(L"/up"), L"doc.txt", true);
    FakePages pages(kPages);
    EXPECT_EQ(plugin.Send(pages, 1, 1), S_OK) << Join(plugin.Errors());
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/up/doc.txt");
    EXPECT_EQ(requests[0].body, pages.JobBytes());
}

} // namespace
