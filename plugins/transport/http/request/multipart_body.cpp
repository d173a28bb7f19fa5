#include "multipart_body.h"

std::string MakeBoundary(const unsigned char (&random)[kBoundaryRandomBytes]) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string boundary = "QlxFormBoundary";
    for (unsigned char byte : random) {
        boundary.push_back(kHex[byte >> 4]);
        boundary.push_back(kHex[byte & 0x0F]);
    }
    return boundary;
}

bool BoundaryIsFree(const std::string& boundary, const std::string& text) {
    return text.find(boundary) == std::string::npos;
}

std::string MultipartHead(const std::string& boundary, const std::string& fileName) {
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"filename\"\r\n\r\n" +
           fileName + "\r\n" + "--" + boundary +
           "\r\nContent-Disposition: form-data; name=\"content\"; filename=\"c:\\temp.txt\"\r\n"
           "Content-Type: application/octet-stream\r\n\r\n";
}

std::string MultipartTail(const std::string& boundary) {
    return "\r\n--" + boundary + "--\r\n";
}
