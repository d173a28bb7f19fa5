#include "request_headers.h"

#include "base64.h"
#include "utf8.h"

namespace {

std::u16string FromAscii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

} // namespace

std::string CredentialBytes(const std::u16string& user, const std::u16string& password) {
    const std::u16string text = user + u":" + password;
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t c : text) {
        if (c > 0xFF)
            return ToUtf8(text);
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(c)));
    }
    return bytes;
}

std::u16string RequestHeaders(bool put, const std::u16string& user, const std::u16string& password,
                              const std::string& boundary) {
    std::u16string headers = u"Accept: text/*\r\n";
    if (!user.empty())
        headers += u"Authorization: Basic " +
                   FromAscii(Base64Encode(CredentialBytes(user, password))) + u"\r\n";
    if (put)
        headers += u"Content-Type: application/octet-stream\r\n";
    else
        headers += u"Content-Type: multipart/form-data; boundary=" + FromAscii(boundary) + u"\r\n";
    return headers;
}
