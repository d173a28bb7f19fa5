#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base64.h"
#include "http_status.h"
#include "multipart_body.h"
#include "request_headers.h"
#include "request_target.h"
#include "upload_progress.h"
#include "url_encoding.h"
#include "utf8.h"

namespace {

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text)
        out += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(c);
    return out;
}

TEST(Base64, EncodesTheVectorsOfRfc4648) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Base64Encode(row.in), row.out) << "input \"" << row.in << "\"";
    // Every byte value and both characters beyond the letters and digits.
    EXPECT_EQ(Base64Encode(std::string("\xFB\xFF\x00\x3E", 4)), "+/8APg==");
}

TEST(BasicCredentials, TakeEachCharacterAsOneByteUnlessOneIsAboveLatin1) {
    const struct {
        const char* row;
        std::u16string user, password;
        std::string bytes;
        const char* header;
    } rows[] = {
        {"ascii", u"alice", u"s3cret", "alice:s3cret", "Authorization: Basic YWxpY2U6czNjcmV0"},
        {"colon and empty password", u"a:b", u"", "a:b:", "Authorization: Basic YTpiOg=="},
        {"latin-1 as single bytes", u"J\u00fcrgen", u"\u00ff", "J\xfcrgen:\xff",
         "Authorization: Basic SvxyZ2VuOv8="},
        {"above latin-1: the whole text in utf-8", u"\u00fc", u"\u20ac", "\xc3\xbc:\xe2\x82\xac",
         "Authorization: Basic w7w64oKs"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CredentialBytes(row.user, row.password), row.bytes) << row.row;
        const std::u16string headers = RequestHeaders(true, row.user, row.password, "");
        EXPECT_NE(Narrow(headers).find(std::string(row.header) + "\r\n"), std::string::npos)
            << row.row << ": " << Narrow(headers);
    }
}

TEST(RequestHeaders, ComeInTheirOrderAndLeaveOutAuthorizationWithoutAUser) {
    EXPECT_EQ(RequestHeaders(true, u"", u"ignored", "B"),
              u"Accept: text/*\r\nContent-Type: application/octet-stream\r\n");
    EXPECT_EQ(RequestHeaders(false, u"u", u"p", "QlxFormBoundaryX"),
              u"Accept: text/*\r\nAuthorization: Basic dTpw\r\n"
              u"Content-Type: multipart/form-data; boundary=QlxFormBoundaryX\r\n");
}

TEST(Utf8, EncodesEveryPlaneAndReplacesLoneSurrogates) {
    EXPECT_EQ(ToUtf8(u"a\u00e9\u20ac\U0001F600"), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xef\xbf\xbd");
    EXPECT_EQ(ToUtf8(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

TEST(PathSegment, EncodesEverythingThatCouldLeaveTheSegment) {
    const struct {
        std::u16string name;
        std::u16string encoded;
    } rows[] = {
        {u"report-1.txt", u"report-1.txt"},
        {u"a b", u"a%20b"},
        {u"../etc/passwd", u"..%2Fetc%2Fpasswd"},
        {u"q?x=1#f", u"q%3Fx%3D1%23f"},
        {u"100%", u"100%25"},
        {u"x\r\nX-Injected: 1", u"x%0D%0AX-Injected%3A%201"},
        {u"c:\\temp\\a.txt", u"c%3A%5Ctemp%5Ca.txt"},
        {u"\u00e9t\u00e9", u"%C3%A9t%C3%A9"},
        {u"\U0001F600", u"%F0%9F%98%80"},
        {u".", u"%2E"},
        {u"..", u"%2E%2E"},
        {u"...", u"..."},
        {u"~_.-", u"~_.-"},
        {u"", u""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(EncodePathSegment(row.name), row.encoded) << Narrow(row.name);
}

TEST(RequestTarget, PutInsertsTheNameIntoThePathBeforeTheQuery) {
    const struct {
        const char* row;
        std::u16string path;
        std::u16string name;
        bool put;
        std::u16string target;
    } rows[] = {
        {"path without slash", u"/up", u"a.txt", true, u"/up/a.txt"},
        {"path with slash", u"/up/", u"a.txt", true, u"/up/a.txt"},
        {"root", u"/", u"a.txt", true, u"/a.txt"},
        {"empty path", u"", u"a.txt", true, u"/a.txt"},
        {"query", u"/up?key=1&b=2", u"a.txt", true, u"/up/a.txt?key=1&b=2"},
        {"query after slash", u"/up/?k", u"a.txt", true, u"/up/a.txt?k"},
        {"fragment dropped", u"/up#frag", u"a.txt", true, u"/up/a.txt"},
        {"query and fragment", u"/up?k=v#f", u"a b", true, u"/up/a%20b?k=v"},
        {"post keeps the path", u"/form?k=v", u"a.txt", false, u"/form?k=v"},
        {"post drops the fragment", u"/form#x", u"a.txt", false, u"/form"},
        {"escapes kept", u"/a%20b/", u"n", true, u"/a%20b/n"},
        {"unsafe query made safe", u"/up?x y\r\nH: v", u"n", true, u"/up/n?x%20y%0D%0AH:%20v"},
        {"unsafe post path made safe", u"/f?\u00e9", u"n", false, u"/f?%C3%A9"},
        {"name with slash and query", u"/up", u"a/b?c", true, u"/up/a%2Fb%3Fc"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RequestTarget(row.path, row.name, row.put), row.target) << row.row;
}

TEST(FormValue, KeepsTheValueOnOneLine) {
    EXPECT_EQ(EncodeFormValue(u"a b/c%d.txt"), u"a b/c%d.txt");
    EXPECT_EQ(EncodeFormValue(u"x\r\n--B\r\n\t\x7f"), u"x%0D%0A--B%0D%0A%09%7F");
    EXPECT_EQ(EncodeFormValue(u"\u00e9"), u"\u00e9") << "left to the body's code page";
}

TEST(Multipart, HeadAndTailFrameThePagesWithTheBoundary) {
    const unsigned char random[kBoundaryRandomBytes] = {0x00, 0x01, 0xAB, 0xFF, 4,  5,  6,  7,
                                                        8,    9,    10,   11,   12, 13, 14, 15};
    const std::string boundary = MakeBoundary(random);
    EXPECT_EQ(boundary, "QlxFormBoundary0001abff0405060708090a0b0c0d0e0f");
    EXPECT_LE(boundary.size(), 70u);
    EXPECT_EQ(MultipartHead("B", "n.txt"),
              "--B\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\nn.txt\r\n"
              "--B\r\nContent-Disposition: form-data; name=\"content\"; "
              "filename=\"c:\\temp.txt\"\r\nContent-Type: application/octet-stream\r\n\r\n");
    EXPECT_EQ(MultipartTail("B"), "\r\n--B--\r\n");
    EXPECT_TRUE(BoundaryIsFree(boundary, "--" + std::string(61, 'a')));
    EXPECT_FALSE(BoundaryIsFree(boundary, "x" + boundary));
}

TEST(Multipart, DifferentRandomBytesGiveDifferentBoundaries) {
    unsigned char a[kBoundaryRandomBytes] = {}, b[kBoundaryRandomBytes] = {};
    b[kBoundaryRandomBytes - 1] = 1;
    EXPECT_NE(MakeBoundary(a), MakeBoundary(b));
}

TEST(HttpStatus, OnlyTwoHundredsAreSuccess) {
    const struct {
        std::u16string text;
        long status;
        bool success;
        bool valid;
    } rows[] = {
        {u"200", 200, true, true},   {u"201", 201, true, true},   {u"204", 204, true, true},
        {u"299", 299, true, true},   {u"100", 100, false, true},  {u"199", 199, false, true},
        {u"301", 301, false, true},  {u"302", 302, false, true},  {u"307", 307, false, true},
        {u"399", 399, false, true},  {u"401", 401, false, true},  {u"500", 500, false, true},
        {u"0", 0, false, false},     {u"", -1, false, false},     {u"20x", -1, false, false},
        {u"2000", -1, false, false}, {u" 200", -1, false, false}, {u"-1", -1, false, false},
    };
    for (const auto& row : rows) {
        const long status = ParseStatusCode(row.text);
        EXPECT_EQ(status, row.status) << Narrow(row.text);
        EXPECT_EQ(IsSuccessStatus(status), row.success) << Narrow(row.text);
        EXPECT_EQ(IsHttpStatus(status), row.valid) << Narrow(row.text);
    }
}

std::vector<long> Reports(long first, long end) {
    UploadProgress progress(first, end);
    std::vector<long> reported{0};
    for (long j = first; j < end; ++j) {
        const long percent = progress.AfterPage(j);
        if (percent >= 0)
            reported.push_back(percent);
    }
    if (progress.NeedsFinal())
        reported.push_back(100);
    return reported;
}

TEST(UploadProgress, ReportsTheShareOfThePagesBeforeEachPageWhenItGrew) {
    EXPECT_EQ(Reports(0, 4), (std::vector<long>{0, 25, 50, 75, 100}));
    EXPECT_EQ(Reports(0, 1), (std::vector<long>{0, 100}));
    EXPECT_EQ(Reports(3, 4), (std::vector<long>{0, 100})) << "a single later page";
    EXPECT_EQ(Reports(0, 0), (std::vector<long>{0, 100})) << "an empty range";
    EXPECT_EQ(Reports(0, 3), (std::vector<long>{0, 33, 66, 100}));
    const std::vector<long> many = Reports(0, 250);
    EXPECT_EQ(many.size(), 101u) << "each percent once, never twice";
    EXPECT_EQ(many[1], 1);
}

} // namespace
