#pragma once
#include <cstddef>
#include <string>

// The multipart/form-data body of a POST upload (RFC 7578): a field "filename" with the file
// name, then a field "content" that carries the pages, framed by a boundary drawn at random for
// each request, so that no page can hold it.

constexpr size_t kBoundaryRandomBytes = 16;

// "QlxFormBoundary" and the random bytes in hexadecimal (47 characters, within the 70 that RFC
// 2046 allows).
std::string MakeBoundary(const unsigned char (&random)[kBoundaryRandomBytes]);

// False when text holds the boundary (a file name that does must get another one).
bool BoundaryIsFree(const std::string& boundary, const std::string& text);

// What goes before the pages: the "filename" field with the file name's bytes as its value and
// the head of the "content" field. fileName is already in the code page the body is sent in.
std::string MultipartHead(const std::string& boundary, const std::string& fileName);

// What goes after the pages: the closing delimiter.
std::string MultipartTail(const std::string& boundary);
