#pragma once
#include <windows.h>
#include <wininet.h>

#include <string>

// An upload URL cracked by WinINet: the host, the URL path (with the query and fragment that
// follow it), the scheme and the port.
struct CrackedUrl {
    std::wstring host;
    std::wstring path;
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
};

// Canonicalises (browser mode) and cracks a URL; false, with the scheme unknown, after any
// failure. Only the host, the path, the scheme and the port are taken: a user name or password
// in the URL is not.
bool CrackUrl(const std::wstring& url, CrackedUrl* out);

// The URL of an upload: cracked as it is, or, when that gives no scheme, with "http://" in
// front. False when neither gives HTTP or HTTPS with a host.
bool CrackUploadUrl(const std::wstring& url, CrackedUrl* out);
