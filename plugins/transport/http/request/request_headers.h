#pragma once
#include <string>

// The bytes of the Basic credentials user + ":" + password: each character as one byte, its
// code, while every character is at most U+00FF; a text with any character above that has no
// such bytes and is taken whole in UTF-8 (the charset RFC 7617 names for Basic).
std::string CredentialBytes(const std::u16string& user, const std::u16string& password);

// The headers an upload adds to its request, one text of lines each ended by CR LF, in this
// order: "Accept: text/*"; "Authorization: Basic " and the Base64 of the credentials when a
// user is given; the content type, "application/octet-stream" for PUT, or
// "multipart/form-data; boundary=" and the boundary for POST.
std::u16string RequestHeaders(bool put, const std::u16string& user, const std::u16string& password,
                              const std::string& boundary);
